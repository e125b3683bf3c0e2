// How every call reaches a server: on the call thread, asked again while
// the server is busy, the window kept alive meanwhile, and given up after
// the limit (an unattended run's; none for a person at the machine).
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <vector>

#include "automation/function_ref.h"
#include "automation/retry.h"
#include "automation/win32/call_thread.h"

namespace tbo::win {

// One running Office application as the program reaches it: every object
// it hands out shares this. Once a call to it was given up, it counts as
// not answering.
struct Instance {
  CLSID clsid;
  bool answers = true;
};

class Caller {
 public:
  static constexpr Patience kBusyWait{std::chrono::seconds(30), std::chrono::milliseconds(250)};

  Caller(Clock& clock, EventPump& events, std::chrono::milliseconds limit = kNoLimit, Patience busy = kBusyWait)
      : clock_(clock), events_(events), thread_(clock, events), limit_(limit), busy_(busy) {}
  Clock& clock() { return clock_; }
  // After it, no call is made, and a busy server is not asked again; what
  // was handed out is still let go of.
  void SetDeadline(Deadline deadline) { deadline_ = deadline; }
  EventPump& events() { return events_; }

  // A new instance of the application clsid names, living as long as
  // this caller: the objects it hands out refer to it.
  Instance& NewInstance(const CLSID& clsid);

  // Runs job until it answers something other than busy and returns its
  // last answer. Throws the error of a call nobody answered: given up
  // (after the limit, or busy for the whole busy wait in a run with a
  // limit), or not made since the instance stopped answering earlier. busy
  // may look further than the HRESULT (at the server's own error, in the job).
  HRESULT Call(Instance& instance, const std::shared_ptr<Job>& job, FunctionRef<bool(HRESULT)> busy);
  HRESULT Call(Instance& instance, const std::shared_ptr<Job>& job) {
    return Call(instance, job, [](HRESULT hr) { return IsBusy(hr); });
  }
  // Lets go of what the server handed out, on the call thread under the
  // limit like any call: the last release of a proxy is a call too. An
  // instance that no longer answers is not asked (it could wait for ever).
  void Release(Instance& instance, IUnknown* held) noexcept;

  // Applications whose instance stopped answering in this press are not
  // reached again until the next one.
  bool Answers(const CLSID& clsid) const;
  void ForgetSilent() { silent_.clear(); }

 private:
  void GiveUp(Instance& instance);
  HRESULT Run(Instance& instance, const std::shared_ptr<Job>& job, FunctionRef<bool(HRESULT)> busy, bool letGo);

  Clock& clock_;
  EventPump& events_;
  CallThread thread_;
  std::chrono::milliseconds limit_;
  Patience busy_;
  Deadline deadline_;
  std::vector<CLSID> silent_;
  std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace tbo::win
