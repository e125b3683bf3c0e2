#include "automation/win32/call_thread.h"

#include <atomic>

#include "automation/win32/fail.h"

namespace tbo::win {

// What the window's thread and one call thread share; the call thread holds
// it as long as it runs, also after it was given up.
struct CallThread::Shared {
  UniqueHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a call waits, or leave
  UniqueHandle thread;
  std::shared_ptr<Job> job;
  HRESULT answer = S_OK;
  std::atomic<bool> done{false};
  std::atomic<bool> leave{false};
  DWORD window = ::GetCurrentThreadId();
};

DWORD WINAPI CallThread::Work(void* shared) {
  const std::unique_ptr<std::shared_ptr<Shared>> owned(static_cast<std::shared_ptr<Shared>*>(shared));
  Shared& s = **owned;
  const ComApartment com(COINIT_MULTITHREADED);
  while (::WaitForSingleObject(s.wake.get(), INFINITE) == WAIT_OBJECT_0 && !s.leave) {
    s.answer = s.job->Run();
    s.job.reset();  // what the call owned goes here, on this thread
    s.done = true;
    ::PostThreadMessageW(s.window, WM_NULL, 0, 0);  // wakes the window's wait at once
  }
  return 0;
}

void CallThread::Start() {
  auto shared = std::make_shared<Shared>();
  if (!shared->wake) ThrowLastError();
  auto handover = std::make_unique<std::shared_ptr<Shared>>(shared);
  shared->thread.reset(::CreateThread(nullptr, 0, Work, handover.get(), 0, nullptr));
  if (!shared->thread) ThrowLastError();
  handover.release();  // the thread owns it now
  worker_ = std::move(shared);
}

void CallThread::Retire() {
  worker_->leave = true;
  ::SetEvent(worker_->wake.get());
  worker_.reset();
}

CallThread::~CallThread() {
  if (!worker_) return;
  const std::shared_ptr<Shared> last = worker_;
  Retire();
  ::WaitForSingleObject(last->thread.get(), 2000);  // an idle thread leaves at once
}

std::optional<HRESULT> CallThread::Run(std::shared_ptr<Job> job, std::chrono::milliseconds limit) {
  if (!worker_) Start();
  worker_->done = false;
  worker_->job = std::move(job);
  ::SetEvent(worker_->wake.get());
  constexpr ErrorNumber kPending = E_PENDING;
  const ErrorNumber answer = AskAgain(
      clock_, events_, {limit, std::chrono::milliseconds(250)},
      [&] { return worker_->done ? kNoError : kPending; }, [](ErrorNumber e) { return e == kPending; });
  if (answer == kNoError) return worker_->answer;
  Retire();
  return std::nullopt;
}

}  // namespace tbo::win
