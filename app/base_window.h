// Window plumbing apart from any one window: the object is found through
// GWLP_USERDATA, set at WM_NCCREATE; the HWND is owned; nothing thrown leaves
// the window procedure. Derived only lays out and reacts, in
// LRESULT Handle(UINT, WPARAM, LPARAM).
#pragma once

#include <windows.h>

#include "automation/win32/handles.h"

namespace tbo::app {

template <class Derived>
class BaseWindow {
 public:
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;
  HWND hwnd() const { return window_.get(); }

 protected:
  BaseWindow() = default;
  ~BaseWindow() = default;

  bool CreateAs(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, HINSTANCE instance,
                const RECT& where) {
    return ::CreateWindowExW(exStyle, className, title, style, where.left, where.top, where.right - where.left,
                             where.bottom - where.top, nullptr, nullptr, instance, static_cast<Derived*>(this)) !=
           nullptr;
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->window_.reset(hwnd);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->window_.release();  // the system has destroyed it
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // An exception must not cross the system's frames back into the
    // message loop; whatever was running has already put things back.
    try {
      return self->Handle(message, wParam, lParam);
    } catch (...) {
      return 0;
    }
  }

  win::UniqueWindow window_;
};

}  // namespace tbo::app
