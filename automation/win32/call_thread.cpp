#include "automation/win32/call_thread.h"

#include <atomic>

#include "automation/win32/fail.h"

namespace tbo::win {
namespace {

// The life of one call; it moves on from Pending exactly once, to Done by
// the call thread or to GivenUp by the window's thread, whichever comes first.
enum CallState : int { kIdle, kPending, kDone, kGivenUp };

// How often the window's thread looks, when no wake-up message reached it.
constexpr std::chrono::milliseconds kLookEvery{250};

}  // namespace

// What the window's thread and one call thread share; the call thread holds
// it as long as it runs, also after it was given up.
struct CallThread::Shared {
  UniqueHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a call waits, or leave
  UniqueHandle thread;
  std::shared_ptr<Job> job;  // handed over before the wake, taken by the call thread
  HRESULT answer = S_OK;     // written before the state becomes Done
  std::atomic<int> state{kIdle};
  std::atomic<bool> leave{false};
  DWORD window = ::GetCurrentThreadId();
};

DWORD WINAPI CallThread::Work(void* shared) {
  const std::unique_ptr<std::shared_ptr<Shared>> owned(static_cast<std::shared_ptr<Shared>*>(shared));
  Shared& s = **owned;
  const ComApartment com(COINIT_MULTITHREADED);
  while (::WaitForSingleObject(s.wake.get(), INFINITE) == WAIT_OBJECT_0 && !s.leave) {
    const std::shared_ptr<Job> job = std::move(s.job);
    const HRESULT answer = job->Run();
    s.answer = answer;
    int pending = kPending;
    if (!s.state.compare_exchange_strong(pending, kDone)) {
      job->Unclaimed();
      return 0;  // given up: this thread is no one's any more
    }
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
  Shared& s = *worker_;
  s.job = std::move(job);
  s.state = kPending;
  ::SetEvent(s.wake.get());
  WaitUntil(clock_, events_, {limit, kLookEvery}, [&] { return s.state.load() == kDone; });
  int pending = kPending;
  if (s.state.compare_exchange_strong(pending, kGivenUp)) {
    Retire();
    return std::nullopt;
  }
  s.state = kIdle;  // Done: the answer is there, also when it came just now
  return s.answer;
}

}  // namespace tbo::win
