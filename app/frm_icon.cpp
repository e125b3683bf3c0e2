#include "app/frm_icon.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

#include "app/control_ids.h"
#include "app/dyn_calls.h"
#include "automation/scope_exit.h"
#include "resources/resource_ids.h"

namespace tbo::app {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed border, close box only
constexpr DWORD kExStyle = WS_EX_APPWINDOW;

// Positions and sizes in twips from the client area's top-left corner. The
// application buttons are stacked under the banner in their rows' slots;
// the status line, the separator and cmdCancel come below them, and the
// client area ends under cmdCancel.
struct Placement {
  int id, left, top, width, height;
};
constexpr int kApplicationCount = static_cast<int>(std::size(kApplications));
constexpr int kButtonLeft = 480, kButtonWidth = 2775, kButtonHeight = 375;
constexpr int kFirstButtonTop = 1080, kButtonPitch = 480;
constexpr int kStatusTop = kFirstButtonTop + kButtonPitch * (kApplicationCount - 1) + kButtonHeight + 240;
constexpr int kLineLeft = 135, kLineRight = 3600, kLineY = kStatusTop + 495;
constexpr int kCancelTop = kLineY + 210;
constexpr int kClientWidth = 3720, kClientHeight = kCancelTop + 375 + 180;
constexpr Placement kPlacements[] = {
    {IDC_IMAGE1, 480, 120, 2805, 720},
    {IDC_LBSTATUS, 120, kStatusTop, 3465, 375},
    {IDC_CMDCANCEL, 1080, kCancelTop, 1455, 375},
};

// The application buttons from the top down, by their slots: the order they
// are made in, which is their tab order. The click frame greys them from the
// bottom up.
constexpr auto kButtonsTopDown = [] {
  std::array<const Application*, std::size(kApplications)> buttons{};
  for (const Application* a : kApplications) buttons.at(static_cast<size_t>(a->buttonSlot)) = a;
  return buttons;
}();
static_assert(std::find(kButtonsTopDown.begin(), kButtonsTopDown.end(), nullptr) == kButtonsTopDown.end(),
              "every application has a slot of its own, from 0 up");

// Every control's place: the fixed ones, then the buttons.
constexpr auto kAllPlacements = [] {
  std::array<Placement, std::size(kPlacements) + std::size(kApplications)> all{};
  size_t n = 0;
  for (const Placement& p : kPlacements) all[n++] = p;
  for (const Application* a : kButtonsTopDown) {
    all[n++] = {a->controlId, kButtonLeft, kFirstButtonTop + kButtonPitch * a->buttonSlot, kButtonWidth, kButtonHeight};
  }
  return all;
}();

UINT DpiOf(HWND hwnd) {
  if (dyn::GetDpiForWindow) return dyn::GetDpiForWindow(hwnd);
  const win::WindowDC dc(hwnd);
  return static_cast<UINT>(::GetDeviceCaps(dc.get(), LOGPIXELSY));
}

RECT OuterRect(int clientWidth, int clientHeight, UINT dpi) {
  RECT r{0, 0, clientWidth, clientHeight};
  if (dyn::AdjustWindowRectExForDpi) {
    dyn::AdjustWindowRectExForDpi(&r, kStyle, FALSE, kExStyle, dpi);
  } else {
    ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  }
  return r;
}

LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (dyn::SystemParametersInfoForDpi) {
    dyn::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    return metrics.lfMessageFont;
  }
  // Windows 8.1 and early Windows 10: the metrics are for the system DPI;
  // scale the height to the window's.
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const int systemDpi = ::GetDeviceCaps(win::WindowDC(nullptr).get(), LOGPIXELSY);
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
  const win::WindowDC screen(nullptr);
  const HDC dc = screen.get();
  const HGDIOBJ old = ::SelectObject(dc, font);
  const ScopeExit putBack([&] { ::SelectObject(dc, old); });
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc, LF_FACESIZE, face);
  std::wstring indices(text.size(), L'\0');
  const DWORD n = ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                     reinterpret_cast<WORD*>(indices.data()),
                                     GGI_MARK_NONEXISTING_GLYPHS);
  // The platform substitutes another face for one that is not installed.
  return _wcsicmp(face, L"TB Sans Serif") == 0 && n == text.size() &&
         indices.find(static_cast<wchar_t>(0xFFFF)) == std::wstring::npos;
}

constexpr wchar_t kCancelCaption[] = L"&K\u1EBFt th\u00FAc";

// Posted once the window is shown.
constexpr UINT kShown = WM_APP + 1;

}  // namespace

bool FrmIcon::Create(bool shown) {
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
  wc.lpszClassName = TBO_WINDOW_CLASS;
  if (!::RegisterClassExW(&wc)) return false;
  // Sized and centred in OnCreate, once the window knows its monitor's DPI.
  if (!CreateAs(kExStyle, TBO_WINDOW_CLASS, L"Setup", kStyle, instance_)) return false;
  if (shown) ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::SetFocus(Item(IDC_CMDCANCEL));
  ::PostMessageW(hwnd(), kShown, 0, 0);
  return true;
}

LRESULT FrmIcon::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
      return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    case kShown: host_.OnShown(*this); return 0;
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
    default: return ::DefWindowProcW(hwnd(), message, wParam, lParam);
  }
}

void FrmIcon::OnCreate() {
  const HWND window = hwnd();
  struct Child {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style;
  };
  // Creation order is the tab order: cmdCancel, then the application
  // buttons from the top down.
  std::array<Child, std::size(kApplications) + 4> children{};
  size_t n = 0;
  children[n++] = {IDC_CMDCANCEL, WC_BUTTONW, kCancelCaption, WS_TABSTOP | BS_PUSHBUTTON};
  for (const Application* a : kButtonsTopDown) {
    // UTF-16 either way: the caption is used as the window text it is.
    children[n++] = {a->controlId, WC_BUTTONW, reinterpret_cast<const wchar_t*>(a->caption), WS_TABSTOP | BS_PUSHBUTTON};
  }
  children[n++] = {IDC_LBSTATUS, WC_STATICW, L"", SS_CENTER | SS_NOPREFIX};
  children[n++] = {IDC_IMAGE1, WC_STATICW, L"", SS_BITMAP};
  children[n++] = {IDC_LINE1, WC_STATICW, L"", SS_OWNERDRAW};
  for (const Child& c : children) {
    ::CreateWindowExW(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
  }
  banner_.reset(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, 0));
  ::SendMessageW(Item(IDC_IMAGE1), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(banner_.get()));
  dpi_ = DpiOf(window);
  MakeFonts();
  Layout();
  // Centred on the screen of the window's monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT outer = OuterRect(Px(kClientWidth), Px(kClientHeight), dpi_);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  const RECT& screen = monitor.rcMonitor;
  ::SetWindowPos(window, nullptr, screen.left + (screen.right - screen.left - width) / 2,
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
  for (const Placement& p : kAllPlacements) {
    const HGDIOBJ f = p.id == IDC_CMDCANCEL ? cancelFont_.get() : windowFont_.get();
    ::SendMessageW(Item(p.id), WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  }
}

void FrmIcon::Layout() {
  for (const Placement& p : kAllPlacements) {
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
  ::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT FrmIcon::OnCtlColorStatic(HDC dc, HWND control) {
  if (control == Item(IDC_LBSTATUS)) {
    ::SetTextColor(dc, RGB(255, 0, 0));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
  }
  return ::DefWindowProcW(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void FrmIcon::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == IDC_LINE1) ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_WINDOWTEXT));
}

void FrmIcon::OnActivate(bool active) {
  if (!active) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(hwnd(), focus)) lastFocus_ = focus;
  }
}

void FrmIcon::BringExistingToFront() {
  const HWND other = ::FindWindowW(TBO_WINDOW_CLASS, L"Setup");
  if (!other) return;
  if (::IsIconic(other)) ::ShowWindow(other, SW_RESTORE);
  ::SetForegroundWindow(other);
}

void FrmIcon::OnCommand(int id) {
  if (const Application* pressed = ApplicationOfControl(id)) {
    // A close that came during the run was deferred until now.
    if (RunPress(*pressed, [&] { host_.OnPress(*pressed); }) && closeRequested_) Destroy();
    return;
  }
  if (id == IDC_CMDCANCEL) OnClose();  // Enter and Esc mean nothing window-wide
}

// A close that arrives during a run (it can, inside the operations' yields)
// waits until the run has finished, so the click frame ends with its
// controls still there.
void FrmIcon::OnClose() {
  if (running_) {
    closeRequested_ = true;
    return;
  }
  Destroy();
}

bool FrmIcon::RunPress(const Application& application, FunctionRef<void()> work) {
  if (running_) return false;  // no second run from inside a yield
  running_ = true;
  const HWND pressed = Item(application.controlId), status = Item(IDC_LBSTATUS), cancel = Item(IDC_CMDCANCEL);
  const auto& buttons = kButtonsTopDown;
  // A disabled control cannot keep the focus: keep the keyboard usable on
  // cmdCancel during the run and give the focus back afterwards.
  const HWND focus = ::GetFocus();
  const bool focusMoved =
      std::any_of(buttons.begin(), buttons.end(), [&](const Application* a) { return Item(a->controlId) == focus; });
  if (focusMoved) ::SetFocus(cancel);
  // From the bottom up: cmdPOINT, cmdWORD, cmdEXCEL.
  const auto each = [&](BOOL enable) {
    for (auto a = buttons.rbegin(); a != buttons.rend(); ++a) ::EnableWindow(Item((*a)->controlId), enable);
  };

  // Steps 5 and 6, and the focus, come back however the run ends.
  const ScopeExit ready([&] {
    each(TRUE);                                                                        // 5
    ::SetWindowTextW(status, L"");                                                    // 6
    running_ = false;
    if (focusMoved && ::GetFocus() == cancel) ::SetFocus(focus);
  });
  each(FALSE);                                                                         // 1
  ::SetWindowTextW(status, (L"Installing TB-" + TextOf(pressed)).c_str());            // 2
  ::RedrawWindow(status, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);  // 3
  work();                                                                              // 4
  return true;
}

}  // namespace tbo::app
