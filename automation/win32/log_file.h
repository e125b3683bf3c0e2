// The log file of a run: UTF-8 lines appended one at a time, the file opened
// and closed for each, so that nothing written is lost if the program ends
// abruptly.
#pragma once

#include <string>
#include <string_view>

#include "automation/run_log.h"

namespace tbo::win {

// The system's text for an error number, or "" when it knows none.
std::u16string SystemText(ErrorNumber error);

class LogFile final : public LogSink {
 public:
  // Without a path, the log of a run that asked for none: it keeps nothing.
  explicit LogFile(std::u16string path) : path_(std::move(path)) {}
  // Creates the file if missing; the system's reason when it cannot be
  // appended to, "" when it can.
  std::u16string CheckAppendable() const;
  void Append(std::u16string_view line) override;
  std::u16string Describe(ErrorNumber error) override { return SystemText(error); }

 private:
  std::u16string path_;
};

// "2026-12-07 14:03:12", local time.
std::u16string LocalTimestamp();

}  // namespace tbo::win
