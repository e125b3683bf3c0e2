#include "automation/run_log.h"

#include "automation/text.h"

namespace tbo {

std::u16string RunLog::Hex(ErrorNumber error) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(static_cast<std::uint32_t>(error) >> shift) & 0xF];
  return out;
}

void RunLog::BeginPress(std::u16string_view application) {
  application_ = application;
  pressStarted_ = clock_.Now();
  Write(u"press " + application_ + u": start");
}

void RunLog::EndPress() {
  const auto ms = (clock_.Now() - pressStarted_).count();
  Write(u"press " + application_ + u": end after " + Decimal(ms / 1000) + u"." + Decimal(ms % 1000 / 100) + u" s");
}

void RunLog::StepFailed(ErrorNumber error) {
  // A failure the services saw says what was attempted; one they did not
  // see (a call through an application that was never reached) says so.
  const bool seen = attempt_.error == error;
  const std::u16string what = seen                    ? attempt_.what
                              : error == kObjectNotSet ? u"a step on an application that was not reached"
                                                       : u"a step";
  const std::u16string text = sink_.Describe(error);
  Write(operation_ + u": " + what + (seen && attempt_.expected ? u": " : u" failed: ") + Hex(error) +
        (text.empty() ? u"" : u" " + text));
  attempt_ = {};
}

}  // namespace tbo
