// Runs a function when the scope ends, however it ends: the one shape of a
// guard that puts something back.
#pragma once

#include <utility>

namespace tbo {

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { f_(); }

 private:
  F f_;
};

}  // namespace tbo
