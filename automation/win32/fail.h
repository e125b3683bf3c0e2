// The Win32 side's one way of saying "this failed": the AutomationError the
// core knows, carrying the HRESULT or the thread's last error.
#pragma once

#include <windows.h>

#include "automation/errors.h"

namespace tbo::win {

inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) Fail(static_cast<ErrorNumber>(hr));
}

[[noreturn]] inline void ThrowLastError() { Fail(ErrorFromWin32(::GetLastError())); }

}  // namespace tbo::win
