#include "app/frm_icon.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/control_ids.h"
#include "automation/win32/platform.h"
#include "resources/resource_ids.h"

namespace tbo::app {
namespace {

constexpr wchar_t kClassName[] = L"TBOSetupWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed border, close box only
constexpr DWORD kExStyle = WS_EX_APPWINDOW;
constexpr int kApplicationButtons[] = {IDC_CMDPOINT, IDC_CMDWORD, IDC_CMDEXCEL};

// Positions and sizes in twips from the client area's top-left corner.
struct Placement {
  int id, left, top, width, height;
};
constexpr int kClientWidth = 3720, kClientHeight = 3915;
constexpr Placement kPlacements[] = {
    {IDC_IMAGE1, 480, 120, 2805, 720},     {IDC_CMDEXCEL, 480, 1080, 2775, 375},
    {IDC_CMDWORD, 480, 1560, 2775, 375},   {IDC_CMDPOINT, 480, 2040, 2775, 375},
    {IDC_LBSTATUS, 120, 2655, 3465, 375},  {IDC_CMDCANCEL, 1080, 3360, 1455, 375},
};
constexpr int kLineLeft = 135, kLineRight = 3600, kLineY = 3150;

// Functions of newer Windows versions, looked up so that Windows 7 still runs.
template <class F>
F Lookup(const wchar_t* module, const char* name) {
  const HMODULE m = ::GetModuleHandleW(module);
  // Through a generic function pointer: the cast between function types is the point.
  return m ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name))) : nullptr;
}
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SystemParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

UINT DpiOf(HWND hwnd) {
  static const auto forWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (forWindow) return forWindow(hwnd);
  const HDC dc = ::GetDC(hwnd);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(hwnd, dc);
  return static_cast<UINT>(dpi);
}

RECT OuterRect(int clientWidth, int clientHeight, UINT dpi) {
  static const auto adjust = Lookup<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT r{0, 0, clientWidth, clientHeight};
  if (adjust) {
    adjust(&r, kStyle, FALSE, kExStyle, dpi);
  } else {
    ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  }
  return r;
}

LOGFONTW MessageFont(UINT dpi) {
  static const auto forDpi =
      Lookup<SystemParametersForDpiFn>(L"user32.dll", "SystemParametersForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (forDpi) {
    forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    return metrics.lfMessageFont;
  }
  // Windows 8.1 and early Windows 10: the metrics are for the system DPI;
  // scale the height to the window's.
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const HDC screen = ::GetDC(nullptr);
  const int systemDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  if (systemDpi > 0) {
    metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), systemDpi);
  }
  return metrics.lfMessageFont;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Whether the font draws every letter of text, so a caption never shows boxes.
bool HasGlyphs(HFONT font, const std::wstring& text) {
  const HDC dc = ::GetDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc, LF_FACESIZE, face);
  std::wstring indices(text.size(), L'\0');
  const DWORD n = ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                     reinterpret_cast<WORD*>(indices.data()),
                                     GGI_MARK_NONEXISTING_GLYPHS);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  // The platform substitutes another face for one that is not installed.
  return _wcsicmp(face, L"TB Sans Serif") == 0 && n == text.size() &&
         indices.find(static_cast<wchar_t>(0xFFFF)) == std::wstring::npos;
}

constexpr wchar_t kCancelCaption[] = L"&K\u1EBFt th\u00FAc";

// Posted once the window is shown, so that an unattended run starts from
// the message loop like a click.
constexpr UINT kRunUnattended = WM_APP + 1;
// What Windows installers return when the user cancelled.
constexpr int kCancelledByUser = 1602;

}  // namespace

bool FrmIcon::Create() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  bigIcon_.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TBO), IMAGE_ICON,
                                                 32, 32, 0)));
  smallIcon_.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TBO),
                                                   IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), 0)));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance_;
  wc.hIcon = bigIcon_.get();
  wc.hIconSm = smallIcon_.get();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc)) return false;
  // Sized and centred in OnCreate, once the window knows its monitor's DPI.
  if (!::CreateWindowExW(kExStyle, kClassName, L"Setup", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this)) {
    return false;
  }
  ::ShowWindow(window_.get(), SW_SHOWNORMAL);
  ::SetFocus(Item(IDC_CMDCANCEL));
  if (!presses_.empty()) ::PostMessageW(window_.get(), kRunUnattended, 0, 0);
  return true;
}

LRESULT CALLBACK FrmIcon::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FrmIcon*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_.reset(hwnd);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FrmIcon*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->window_.release();  // the system has destroyed it
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  // An exception must not cross the system's frames back into the message
  // loop; whatever was running has already put the window back in order.
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT FrmIcon::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = window_.get();
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_DESTROY: ::PostQuitMessage(exitCode_); return 0;
    case kRunUnattended: OnUnattended(); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam) != WA_INACTIVE); return 0;
    case WM_SETFOCUS:
      ::SetFocus(lastFocus_ && ::IsWindowEnabled(lastFocus_) ? lastFocus_ : Item(IDC_CMDCANCEL));
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void FrmIcon::OnCreate() {
  const HWND hwnd = window_.get();
  struct Child {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style;
  };
  // Creation order is the tab order: cmdCancel, cmdEXCEL, cmdWORD, cmdPOINT.
  const Child children[] = {
      {IDC_CMDCANCEL, WC_BUTTONW, kCancelCaption, WS_TABSTOP | BS_PUSHBUTTON},
      {IDC_CMDEXCEL, WC_BUTTONW, L"Microsoft Excel", WS_TABSTOP | BS_PUSHBUTTON},
      {IDC_CMDWORD, WC_BUTTONW, L"Microsoft Word", WS_TABSTOP | BS_PUSHBUTTON},
      {IDC_CMDPOINT, WC_BUTTONW, L"Microsoft PowerPoint", WS_TABSTOP | BS_PUSHBUTTON},
      {IDC_LBSTATUS, WC_STATICW, L"", SS_CENTER | SS_NOPREFIX},
      {IDC_IMAGE1, WC_STATICW, L"", SS_BITMAP},
      {IDC_LINE1, WC_STATICW, L"", SS_OWNERDRAW},
  };
  for (const Child& c : children) {
    ::CreateWindowExW(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
  }
  banner_.reset(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, 0));
  ::SendMessageW(Item(IDC_IMAGE1), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(banner_.get()));
  dpi_ = DpiOf(hwnd);
  MakeFonts();
  Layout();
  // Centred on the screen of the window's monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT outer = OuterRect(Px(kClientWidth), Px(kClientHeight), dpi_);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  const RECT& screen = monitor.rcMonitor;
  ::SetWindowPos(hwnd, nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + (screen.bottom - screen.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrmIcon::MakeFonts() {
  LOGFONTW font = MessageFont(dpi_);
  windowFont_.reset(::CreateFontIndirectW(&font));
  LOGFONTW cancel{};
  cancel.lfHeight = -::MulDiv(825, static_cast<int>(dpi_), 7200);  // 8.25 points
  cancel.lfWeight = FW_NORMAL;
  cancel.lfCharSet = ANSI_CHARSET;
  wcscpy_s(cancel.lfFaceName, L"TB Sans Serif");
  cancelFont_.reset(::CreateFontIndirectW(&cancel));
  if (!HasGlyphs(static_cast<HFONT>(cancelFont_.get()), kCancelCaption + 1)) {
    cancelFont_.reset(::CreateFontIndirectW(&font));
  }
  for (const Placement& p : kPlacements) {
    const HGDIOBJ f = p.id == IDC_CMDCANCEL ? cancelFont_.get() : windowFont_.get();
    ::SendMessageW(Item(p.id), WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  }
}

void FrmIcon::Layout() {
  for (const Placement& p : kPlacements) {
    ::MoveWindow(Item(p.id), Px(p.left), Px(p.top), Px(p.width), Px(p.height), TRUE);
  }
  const int thickness = ::MulDiv(1, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
  ::MoveWindow(Item(IDC_LINE1), Px(kLineLeft), Px(kLineY), Px(kLineRight) - Px(kLineLeft),
               thickness, TRUE);
}

void FrmIcon::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  MakeFonts();
  Layout();
  ::SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT FrmIcon::OnCtlColorStatic(HDC dc, HWND control) {
  if (control == Item(IDC_LBSTATUS)) {
    ::SetTextColor(dc, RGB(255, 0, 0));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
  }
  return ::DefWindowProcW(window_.get(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void FrmIcon::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == IDC_LINE1) ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_WINDOWTEXT));
}

void FrmIcon::OnActivate(bool active) {
  if (!active) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(window_.get(), focus)) lastFocus_ = focus;
  }
}

const FrmIcon::Operations& FrmIcon::OperationsOf(Press press) {
  static const Operations kOperations[] = {
      {IDC_CMDWORD, u"Word", &MTBO::RemoveOldWordTemplates, u"RemoveOldWordTemplates", &MTBO::InstallWordTemplate,
       u"InstallWordTemplate"},
      {IDC_CMDEXCEL, u"Excel", &MTBO::RemoveOldExcelAddIn, u"RemoveOldExcelAddIn", &MTBO::InstallExcelAddIn,
       u"InstallExcelAddIn"},
      {IDC_CMDPOINT, u"PowerPoint", &MTBO::RemoveOldPowerPointAddIn, u"RemoveOldPowerPointAddIn",
       &MTBO::InstallPowerPointAddIn, u"InstallPowerPointAddIn"},
  };
  return kOperations[static_cast<int>(press)];
}

// Closes the window when the presses are over, however they ended: always
// after an unattended run, after a click only when a close was deferred.
struct FrmIcon::CloseAfterRun {
  FrmIcon& form;
  bool always;
  ~CloseAfterRun() {
    if (always || form.closeRequested_) ::DestroyWindow(form.window_.get());
  }
};

void FrmIcon::OnCommand(int id) {
  for (Press press : {Press::Word, Press::Excel, Press::PowerPoint}) {
    if (OperationsOf(press).button != id) continue;
    if (running_) return;  // no second run from inside a yield
    const CloseAfterRun close{*this, false};
    RunPress(OperationsOf(press));
    return;
  }
  if (id == IDC_CMDCANCEL) OnClose();  // Enter and Esc mean nothing window-wide
}

// Each press exactly as a click; a close by the person at the machine skips
// the presses not yet started.
void FrmIcon::OnUnattended() {
  if (running_) return;
  const CloseAfterRun close{*this, true};
  for (Press press : presses_) {
    if (closeRequested_) break;
    RunPress(OperationsOf(press));
  }
}

// A close that arrives during a run (it can, inside the operations' yields)
// waits until the run has finished, so the click frame ends with its
// controls still there.
void FrmIcon::OnClose() {
  if (!presses_.empty()) exitCode_ = kCancelledByUser;  // the unattended run did not end by itself
  if (running_) {
    closeRequested_ = true;
    return;
  }
  ::DestroyWindow(window_.get());
}

void FrmIcon::RunPress(const Operations& press) {
  if (running_) return;  // no second run from inside a yield
  running_ = true;
  const HWND pressed = Item(press.button), status = Item(IDC_LBSTATUS), cancel = Item(IDC_CMDCANCEL);
  // A disabled control cannot keep the focus: keep the keyboard usable on
  // cmdCancel during the run and give the focus back afterwards.
  const HWND focus = ::GetFocus();
  const bool focusMoved = std::find_if(std::begin(kApplicationButtons), std::end(kApplicationButtons),
                                       [&](int id) { return Item(id) == focus; }) !=
                          std::end(kApplicationButtons);
  if (focusMoved) ::SetFocus(cancel);

  // Steps 5 and 6, and the focus, come back however the run ends.
  struct Ready {
    FrmIcon& form;
    HWND status, cancel, focus;
    bool focusMoved;
    ~Ready() {
      for (int id : kApplicationButtons) ::EnableWindow(form.Item(id), TRUE);          // 5
      ::SetWindowTextW(status, L"");                                                  // 6
      form.running_ = false;
      if (focusMoved && ::GetFocus() == cancel) ::SetFocus(focus);
    }
  } ready{*this, status, cancel, focus, focusMoved};

  for (int id : kApplicationButtons) ::EnableWindow(Item(id), FALSE);                 // 1
  ::SetWindowTextW(status, (L"Installing TB-" + TextOf(pressed)).c_str());            // 2
  ::RedrawWindow(status, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);  // 3
  if (log_) log_->BeginPress(press.application);
  if (log_) log_->BeginOperation(press.removalName);
  (mtbo_.*press.removal)();                                                          // 4
  if (log_) log_->BeginOperation(press.installationName);
  (mtbo_.*press.installation)();
  if (log_) log_->EndPress();
}

}  // namespace tbo::app
