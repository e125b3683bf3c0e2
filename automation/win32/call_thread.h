// Calls to Office run on a thread of their own, in the multi-threaded
// apartment, while the window's thread waits for them with its window alive:
// it repaints and takes input however long Office takes. A call still
// pending after the limit is given up: its thread is left to it, and the
// next call gets a new one. (A message filter's MessagePending would cancel
// the call instead, but Wine does not honour it; this works on both.)
#pragma once

#include <memory>
#include <optional>

#include "automation/retry.h"
#include "automation/services.h"
#include "automation/win32/handles.h"

namespace tbo::win {

// A call the window's thread hands to the call thread. It owns all it
// touches: a call given up may still be running after the wait for it.
class Job {
 public:
  virtual ~Job() = default;
  virtual HRESULT Run() = 0;
};

class CallThread {
 public:
  CallThread(Clock& clock, EventPump& events) : clock_(clock), events_(events) {}
  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;
  ~CallThread();

  // Runs job on the thread and waits for it for at most `limit`; its answer,
  // or nothing when it was given up. One job at a time: the window's
  // presses never overlap.
  std::optional<HRESULT> Run(std::shared_ptr<Job> job, std::chrono::milliseconds limit);

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
