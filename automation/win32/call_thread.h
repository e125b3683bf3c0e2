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
// touches: a call given up may still be running after the wait for it, and
// then lets go of what it holds on its own thread.
class Job {
 public:
  virtual ~Job() = default;
  virtual HRESULT Run() = 0;
  // Run ended after the caller had given up on it: what it made belongs to
  // no one and is put away here, on the call's own thread.
  virtual void Unclaimed() {}
};

class CallThread {
 public:
  CallThread(Clock& clock, EventPump& events) : clock_(clock), events_(events) {}
  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;
  // Waits briefly for an idle thread to leave; never for one given up.
  ~CallThread();

  // Runs job on the thread and waits for it for at most `limit`; its answer,
  // or nothing when it was given up. A call that ends as it is being given
  // up counts as answered: each call is settled once. One job at a time:
  // the window's presses never overlap.
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
