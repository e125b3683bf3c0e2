// The log file of a run: UTF-8 lines appended one at a time, the file opened
// and closed for each, so that nothing written is lost if the program ends
// abruptly. After the header, each line starts with the time and the
// process number, so that the lines of two runs can be told apart.
#pragma once

#include <string>
#include <string_view>

#include "automation/run_log.h"

namespace tbo::win {

// The system's text for an error number, in English where the system has
// it, or "" when it knows none.
std::u16string SystemText(ErrorNumber error);

// Where a log goes: the path as given, its environment variables expanded
// and made absolute, with its missing folders made; or why it cannot be.
struct LogPlace {
  std::u16string path;
  std::u16string problem;  // "" when the log can be written there
};
LogPlace PrepareLog(std::u16string_view given);

// %TEMP%\TBO Setup.log: where an unattended run that cannot use its own log
// says why.
std::u16string FallbackLogPath();

class LogFile final : public LogSink {
 public:
  // Without a path, the log of a run that asked for none: it keeps nothing.
  explicit LogFile(std::u16string path) : path_(std::move(path)) {}
  void Header(std::u16string_view line) { Write(line); }
  void Append(std::u16string_view line) override;
  std::u16string Describe(ErrorNumber error) override { return SystemText(error); }

 private:
  void Write(std::u16string_view line);
  std::u16string path_;
};

// "2026-12-07 14:03:12", local time.
std::u16string LocalTimestamp();

}  // namespace tbo::win
