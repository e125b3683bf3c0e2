// The log of an unattended or logged run: a line for each press and one for
// every failing step, saying what the step was doing. The services report
// what they attempted when a call fails (LoggedPlatform below); the runner
// reports the step that failed with it.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "automation/services.h"

namespace tbo {

// Where the lines go, and the system's words for an error number.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Append(std::u16string_view line) = 0;
  virtual std::u16string Describe(ErrorNumber error) = 0;  // "" when the system knows no text
};

class RunLog {
 public:
  RunLog(LogSink& sink, EventPump& clock) : sink_(sink), clock_(clock) {}

  void Write(std::u16string_view line) { sink_.Append(line); }
  void BeginPress(std::u16string_view application);
  void EndPress();
  void BeginOperation(std::u16string_view name) { operation_ = name; }

  // From the services: a call that failed, in words ("Excel AddIns.Add(...)");
  // an expected failure (no instance running yet) is worded as news.
  void Attempted(std::u16string what, ErrorNumber error, bool expected = false) {
    attempt_ = {std::move(what), error, expected};
  }
  // From the runner.
  void StepStarted();
  void StepFailed(ErrorNumber error);

  static std::u16string Hex(ErrorNumber error);

 private:
  struct Attempt {
    std::u16string what;
    ErrorNumber error = kNoError;
    bool expected = false;
  };
  LogSink& sink_;
  EventPump& clock_;
  std::u16string operation_, application_;
  std::chrono::milliseconds pressStarted_{0};
  Attempt attempt_;
};

// The same services, reporting each failing call to the log in words.
class LoggedPlatform {
 public:
  LoggedPlatform(const Platform& inner, RunLog& log);
  ~LoggedPlatform();
  Platform services();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tbo
