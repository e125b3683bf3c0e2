// The error number a call fails with, or kNoError when it succeeds.
#pragma once

#include <functional>

#include "automation/errors.h"

inline tbo::ErrorNumber ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const tbo::AutomationError& e) {
    return e.number();
  }
  return tbo::kNoError;
}
