// Program entry: the Setup window on the only thread.
#include <windows.h>

#include "automation/win32/handles.h"
#include "automation/win32/platform.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  tbo::win::ComApartment com;
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TBOSetupWindow";
  ::RegisterClassW(&wc);
  tbo::win::UniqueWindow window(::CreateWindowExW(
      0, wc.lpszClassName, L"Setup", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
      CW_USEDEFAULT, 264, 300, nullptr, nullptr, instance, nullptr));
  ::ShowWindow(window.get(), show);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) tbo::win::DispatchWithDialogNavigation(msg);
  window.release();  // already destroyed by the time the loop ends
  return static_cast<int>(msg.wParam);
}
