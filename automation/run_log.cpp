#include "automation/run_log.h"

#include <utility>

#include "automation/text.h"

namespace tbo {

namespace {

// "3 s", "0.5 s".
std::u16string Seconds(std::chrono::milliseconds waited) {
  const auto ms = waited.count();
  return Decimal(ms / 1000) + (ms % 1000 ? u"." + Decimal(ms % 1000 / 100) : u"") + u" s";
}

}  // namespace

std::u16string RunLog::Hex(ErrorNumber error) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(static_cast<std::uint32_t>(error) >> shift) & 0xF];
  return out;
}

std::u16string RunLog::Reason(ErrorNumber error) {
  const std::u16string text = sink_.Describe(error);
  return Hex(error) + (text.empty() ? u"" : u" " + text);
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

void RunLog::StepFailed(const AutomationError& error) {
  // A step that could not run for want of an object an earlier step was to
  // give is no failure of its own: the earlier step's line tells why.
  if (error.number() == kObjectNotSet) {
    static constexpr Stands kSomeObject{u"an object", u"made"};
    const Stands* stands = error.empty() ? error.empty() : &kSomeObject;
    if (skipped_ > 0 && stands != skippedFor_) TellSkipped();
    skippedFor_ = stands;
    ++skipped_;
    return;
  }
  const std::optional<Attempt>& attempt = error.attempt();
  std::u16string line = operation_;
  line.append(u": ").append(attempt ? std::u16string_view(attempt->what) : u"a step");
  const std::u16string_view application =
      attempt && !attempt->application.empty() ? std::u16string_view(attempt->application) : u"the application";
  switch (error.unanswered()) {
    case Unanswered::GivenUp:
      line.append(u" given up after ").append(Seconds(error.waited())).append(u": ").append(application);
      line.append(u" did not answer (");
      break;
    case Unanswered::Earlier:
      line.append(u" not tried: ").append(application).append(u" did not answer earlier in this press (");
      break;
    case Unanswered::Deadline: line.append(u" not tried: the run's deadline has passed ("); break;
    case Unanswered::No:
      line.append(attempt && attempt->news ? u": " : u" failed: ").append(Reason(error.number()));
      return Write(line);
  }
  Write(line.append(Hex(error.number())).append(u")"));
}

}  // namespace tbo
