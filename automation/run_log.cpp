#include "automation/run_log.h"

#include <utility>

#include "automation/text.h"

namespace tbo {

std::u16string RunLog::Hex(ErrorNumber error) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(static_cast<std::uint32_t>(error) >> shift) & 0xF];
  return out;
}

void RunLog::Write(std::u16string_view line) {
  TellSkipped();
  sink_.Append(line);
}

void RunLog::BeginPress(std::u16string_view application, std::u16string_view kind) {
  application_ = std::u16string(kind) + u" " + std::u16string(application);
  pressStarted_ = clock_.Now();
  Write(application_ + u": start");
}

void RunLog::EndPress() {
  const auto ms = (clock_.Now() - pressStarted_).count();
  Write(application_ + u": end after " + Decimal(ms / 1000) + u"." + Decimal(ms % 1000 / 100) + u" s");
}

void RunLog::BeginOperation(std::u16string_view name) {
  TellSkipped();
  operation_ = name;
}

void RunLog::TellSkipped() {
  if (skipped_ == 0) return;
  const Stands& stands = *skippedFor_;
  const int n = std::exchange(skipped_, 0);
  sink_.Append(operation_ + u": " + Decimal(n) + (n == 1 ? u" step on " : u" steps on ") + stands.what +
               u" not run: it was not " + stands.notDone);
}

void RunLog::StepFailed(ErrorNumber error, const Stands* empty) {
  // A step that could not run for want of an object an earlier step was to
  // give is no failure of its own: the earlier step's line tells why.
  if (error == kObjectNotSet) {
    static constexpr Stands kSomeObject{u"an object", u"made"};
    const Stands* stands = empty ? empty : &kSomeObject;
    if (skipped_ > 0 && stands != skippedFor_) TellSkipped();
    skippedFor_ = stands;
    ++skipped_;
    attempt_ = {};
    return;
  }
  // A failure the services saw says what was attempted.
  const bool seen = attempt_.error == error;
  const std::u16string what = seen ? attempt_.what : u"a step";
  const std::u16string text = sink_.Describe(error);
  Write(operation_ + u": " + what + (seen && attempt_.expected ? u": " : u" failed: ") + Hex(error) +
        (text.empty() ? u"" : u" " + text));
  attempt_ = {};
}

}  // namespace tbo
