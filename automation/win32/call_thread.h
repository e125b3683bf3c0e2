// Calls to Office run on a thread of their own, in the multi-threaded
// apartment, while the window's thread waits for them with its window alive:
// it repaints and takes input however long Office takes. A call still
// pending after the limit is given up: its thread is left to it, and the
// next call gets a new one. (A message filter's MessagePending would cancel
// the call instead, but Wine does not honour it; this works on both.)
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "automation/retry.h"
#include "automation/services.h"
#include "automation/win32/handles.h"

namespace tbo::win {

class CallThread {
 public:
  CallThread(Clock& clock, EventPump& events) : clock_(clock), events_(events) {}
  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;
  ~CallThread();

  // Runs call on the thread and waits for it for at most `limit`. False when
  // it was given up: call must then own all it touches, since it may still
  // run after this returns.
  bool Run(std::function<void()> call, std::chrono::milliseconds limit);

 private:
  struct Shared;
  static DWORD WINAPI Work(void* shared);
  void Start();
  void Retire();

  Clock& clock_;
  EventPump& events_;
  std::shared_ptr<Shared> worker_;
};

}  // namespace tbo::win
