// A stand-in for the Setup window, for testing the UI driver and the
// end-to-end harness apart from the product: the same class, title and
// control identifiers, and buttons that make a few automation calls inside
// their click handler (blocking, as the product's do).
#include <windows.h>

#include <functional>
#include <string>

#include "app/control_ids.h"
#include "automation/win32/com_client.h"
#include "automation/win32/handles.h"

namespace {

using tbo::NamedArg;
using tbo::Ref;
using tbo::Value;

void Quietly(const std::function<void()>& step) {
  try {
    step();
  } catch (const tbo::AutomationError&) {
  }
}

Ref Reach(tbo::win::ComClient& client, const char16_t* progId) {
  Ref app;
  Quietly([&] { app = client.GetActiveObject(progId); });
  if (app.IsEmpty()) Quietly([&] { app = client.CreateObject(progId); });
  return app;
}

void RunWord(tbo::win::ComClient& client) {
  Ref word = Reach(client, u"Word.Application");
  Quietly([&] {
    auto templates = word.Get(u"Templates").AsObject().Enumerate();
    while (auto t = templates->Next()) t->AsObject().Get(u"FullName");
  });
  Quietly([&] {
    word.Get(u"Documents").AsObject().Call(u"Open", {}, {NamedArg{u"FileName", u"C:\\TamBrel\\Tambrel_O21.dot"}});
  });
  Quietly([&] { word.Put(u"Visible", true); });
}

void RunExcel(tbo::win::ComClient& client) {
  Ref excel = Reach(client, u"Excel.Application");
  std::u16string path;
  Quietly([&] { excel.Get(u"AddIns").AsObject().Call(u"Add", {u"C:\\Tambrel\\Tambrel_O21.xla"}); });
  Quietly([&] { excel.Get(u"AddIns", {u"Tambrel_O21"}).AsObject().Put(u"Installed", false); });
  Quietly([&] { path = excel.Get(u"Path").AsString(); });
  std::wstring command(path.begin(), path.end());
  command += L"\\EXCEL.EXE  C:\\TamBrel\\Tambrel_O21.xla";
  const std::wstring program(path.begin(), path.end());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (::CreateProcessW((program + L"\\EXCEL.EXE").c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &si, &pi)) {
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  Quietly([&] { excel.Call(u"Quit"); });
}

void RunPowerPoint(tbo::win::ComClient& client) {
  Ref pp = Reach(client, u"Powerpoint.Application");
  Quietly([&] {
    Ref menu = pp.Get(u"CommandBars", {u"Menu Bar"}).AsObject().Get(u"Controls").AsObject()
                   .Call(u"Add", {}, {NamedArg{u"Type", Value::I2(10)}}).AsObject();
    menu.Put(u"Caption", u"Tamb&rel Tools");
  });
  Quietly([&] { pp.Put(u"Visible", true); });
}

void OnAppButton(HWND hwnd, int id) {
  const int buttons[] = {IDC_CMDEXCEL, IDC_CMDWORD, IDC_CMDPOINT};
  for (const int b : buttons) ::EnableWindow(::GetDlgItem(hwnd, b), FALSE);
  ::SetDlgItemTextW(hwnd, IDC_LBSTATUS, L"Installing TB-…");
  ::UpdateWindow(hwnd);
  tbo::win::ComClient client;
  if (id == IDC_CMDWORD) RunWord(client);
  if (id == IDC_CMDEXCEL) RunExcel(client);
  if (id == IDC_CMDPOINT) RunPowerPoint(client);
  // Yields before re-enabling, as the product's operations do: input that
  // arrived meanwhile meets the disabled buttons.
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  for (const int b : buttons) ::EnableWindow(::GetDlgItem(hwnd, b), TRUE);
  ::SetDlgItemTextW(hwnd, IDC_LBSTATUS, L"");
}

void CreateControls(HWND hwnd) {
  const auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w, int h) {
    ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  };
  add(L"STATIC", L"", SS_BITMAP, IDC_IMAGE1, 8, 8, 187, 48);
  add(L"BUTTON", L"Microsoft &Excel", WS_TABSTOP, IDC_CMDEXCEL, 8, 64, 180, 26);
  add(L"BUTTON", L"Microsoft &Word", WS_TABSTOP, IDC_CMDWORD, 8, 94, 180, 26);
  add(L"BUTTON", L"Microsoft &PowerPoint", WS_TABSTOP, IDC_CMDPOINT, 8, 124, 180, 26);
  add(L"STATIC", L"", SS_CENTER, IDC_LBSTATUS, 8, 156, 180, 18);
  add(L"STATIC", L"", SS_OWNERDRAW, IDC_LINE1, 8, 178, 180, 2);
  add(L"BUTTON", L"&Kết thúc", WS_TABSTOP, IDC_CMDCANCEL, 8, 186, 180, 26);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: CreateControls(hwnd); return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDC_CMDCANCEL) ::DestroyWindow(hwnd);
      if (id == IDC_CMDEXCEL || id == IDC_CMDWORD || id == IDC_CMDPOINT) OnAppButton(hwnd, id);
      return 0;
    }
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  tbo::win::ComApartment com;
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TBOSetupWindow";
  ::RegisterClassW(&wc);
  const HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Setup", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                      100, 100, 204, 250, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(hwnd, show);
  ::SetFocus(::GetDlgItem(hwnd, IDC_CMDCANCEL));
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(hwnd, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
