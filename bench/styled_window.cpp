// The bare window dressed as the Setup window, with no work behind it: the
// same manifest (visual styles, per-monitor DPI), common controls, four push
// buttons and three static controls, COM initialised after the window is
// shown. What TBO_Setup.exe costs beyond this is its own.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int top) {
  ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 32, top, 185, 25, parent, nullptr, nullptr,
                    nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"StyledWindow";
  ::RegisterClassW(&wc);
  const HWND hwnd = ::CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, L"Styled",
                                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 264,
                                      300, nullptr, nullptr, instance, nullptr);
  AddControl(hwnd, WC_STATICW, L"", SS_BITMAP, 8);
  AddControl(hwnd, WC_BUTTONW, L"Microsoft Excel", WS_TABSTOP | BS_PUSHBUTTON, 72);
  AddControl(hwnd, WC_BUTTONW, L"Microsoft Word", WS_TABSTOP | BS_PUSHBUTTON, 104);
  AddControl(hwnd, WC_BUTTONW, L"Microsoft PowerPoint", WS_TABSTOP | BS_PUSHBUTTON, 136);
  AddControl(hwnd, WC_STATICW, L"", SS_CENTER, 177);
  AddControl(hwnd, WC_STATICW, L"", SS_OWNERDRAW, 210);
  AddControl(hwnd, WC_BUTTONW, L"Close", WS_TABSTOP | BS_PUSHBUTTON, 224);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(hwnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}
