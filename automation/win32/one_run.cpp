#include "automation/win32/one_run.h"

#include <algorithm>

namespace tbo::win {

bool OneRunLock::Take(std::chrono::milliseconds most) {
  const ULONGLONG until = ::GetTickCount64() + static_cast<ULONGLONG>(most.count());
  for (;;) {
    if (!lock_) lock_.reset(::CreateMutexW(nullptr, FALSE, name_.c_str()));
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now >= until ? 0 : static_cast<DWORD>(until - now);
    const DWORD answer = lock_ ? ::WaitForSingleObject(lock_.get(), left) : WAIT_FAILED;
    if (answer == WAIT_OBJECT_0 || answer == WAIT_ABANDONED) return held_ = true;
    if (answer == WAIT_TIMEOUT || left == 0) return false;
    ::Sleep(std::min<DWORD>(left, 1000));
  }
}

OneRunLock::~OneRunLock() {
  if (held_) ::ReleaseMutex(lock_.get());
}

}  // namespace tbo::win
