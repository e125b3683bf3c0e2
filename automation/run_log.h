// The log of an unattended or logged run: a line for each press and one for
// every failing step, saying what the step was doing. It hears of the steps
// as the runner's observer; a failure carries what it attempted, as the
// logged services (logged.h) set it where the call is made.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "automation/runner.h"
#include "automation/services.h"

namespace tbo {

// Where the lines go, and the system's words for an error number.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Append(std::u16string_view line) = 0;
  virtual std::u16string Describe(ErrorNumber error) = 0;  // "" when the system knows no text
};

class RunLog final : public StepObserver {
 public:
  RunLog(LogSink& sink, Clock& clock) : sink_(sink), clock_(clock) {}

  void Write(std::u16string_view line);
  // kind: "press", or "uninstall" for the presses that take the add-in out.
  void BeginPress(std::u16string_view application, std::u16string_view kind = u"press");
  void EndPress();
  void BeginOperation(std::u16string_view name);
  // News from the running operation that is no failure.
  void Note(std::u16string_view text) { Write(operation_ + u": " + std::u16string(text)); }

  void StepFailed(const AutomationError& error) override;
  void NotThere(std::u16string_view thing) override { Note(std::u16string(thing) + u": not there"); }
  void Changed(std::u16string_view what) override { Note(what); }

  static std::u16string Hex(ErrorNumber error);
  // "0x80070005 Access is denied.": the number and the system's words for it.
  std::u16string Reason(ErrorNumber error);

 private:
  // The steps in a row that could not run for want of the same object are
  // told in one line, once the row ends.
  void TellSkipped();

  LogSink& sink_;
  Clock& clock_;
  std::u16string operation_, application_;  // application_: "press Word", "uninstall Excel"
  std::chrono::milliseconds pressStarted_{0};
  const Stands* skippedFor_ = nullptr;
  int skipped_ = 0;
};

}  // namespace tbo
