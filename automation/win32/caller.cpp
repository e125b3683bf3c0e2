#include "automation/win32/caller.h"

#include <utility>

namespace tbo::win {

Instance& Caller::NewInstance(const CLSID& clsid) {
  instances_.push_back(std::make_unique<Instance>(Instance{clsid, true}));
  return *instances_.back();
}

HRESULT Caller::Call(Instance& instance, const std::shared_ptr<Job>& job, FunctionRef<bool(HRESULT)> busy) {
  return Run(instance, job, busy, false);
}

HRESULT Caller::Run(Instance& instance, const std::shared_ptr<Job>& job, FunctionRef<bool(HRESULT)> busy,
                    bool letGo) {
  if (!instance.answers) throw AutomationError::NoAnswer(Unanswered::Earlier);
  if (!letGo && deadline_.Passed()) throw AutomationError::NoAnswer(Unanswered::Deadline);
  bool givenUp = false, late = false;
  const ErrorNumber answer = AskAgain(
      clock_, events_, busy_,
      [&]() -> ErrorNumber {
        const std::optional<HRESULT> answered = thread_.Run(job, limit_);
        givenUp = !answered;
        // A call started before the deadline runs to its limit; a busy
        // server is not asked again after it.
        late = !letGo && deadline_.Passed();
        return answered.value_or(kCallCanceled);
      },
      [&](ErrorNumber e) { return !givenUp && !late && busy(e); });
  if (late && !givenUp && busy(answer)) throw AutomationError::NoAnswer(Unanswered::Deadline);
  if (givenUp) {
    GiveUp(instance);
    throw AutomationError::NoAnswer(Unanswered::GivenUp, limit_);
  }
  // Busy for the whole wait counts as not answering too when a run has a
  // limit: the press is to end whatever Office does.
  if (limit_ != kNoLimit && busy(answer)) {
    GiveUp(instance);
    throw AutomationError::NoAnswer(Unanswered::GivenUp, busy_.most);
  }
  return answer;
}

namespace {

// The last reference to a server's object, let go of on the call thread.
struct Letting final : Job {
  explicit Letting(IUnknown* held) : held(held) {}
  HRESULT Run() override {
    std::exchange(held, nullptr)->Release();
    return S_OK;
  }
  ~Letting() override {
    if (held) held->Release();  // never run: the thread was retired first
  }
  IUnknown* held;
};

}  // namespace

void Caller::Release(Instance& instance, IUnknown* held) noexcept {
  if (!held || !instance.answers) return;  // an instance given up is left to its thread
  try {
    Run(instance, std::make_shared<Letting>(held), [](HRESULT) { return false; }, true);
  } catch (...) {
    // Given up: the release stays with the call's own thread.
  }
}

void Caller::GiveUp(Instance& instance) {
  instance.answers = false;
  silent_.push_back(instance.clsid);
}

bool Caller::Answers(const CLSID& clsid) const {
  for (const CLSID& silent : silent_) {
    if (::IsEqualCLSID(silent, clsid)) return false;
  }
  return true;
}

}  // namespace tbo::win
