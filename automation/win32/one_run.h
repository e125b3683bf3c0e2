// One run at a time in this session: two would quit each other's Office.
#pragma once

#include <chrono>
#include <string>

#include "automation/win32/handles.h"

namespace tbo::win {

class OneRunLock {
 public:
  explicit OneRunLock(std::wstring name) : name_(std::move(name)) {}
  OneRunLock(const OneRunLock&) = delete;
  OneRunLock& operator=(const OneRunLock&) = delete;
  ~OneRunLock();

  // Takes the run's turn, waiting at most `most`; whether it is ours. A
  // turn left by a run that died is ours. A lock that cannot be made or
  // waited for counts as another run going on, never as ours: it is tried
  // again until `most` has passed.
  bool Take(std::chrono::milliseconds most);

 private:
  std::wstring name_;
  UniqueHandle lock_;
  bool held_ = false;
};

}  // namespace tbo::win
