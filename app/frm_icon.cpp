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
    {IDC_LINE1, kLineLeft, kLineY, kLineRight - kLineLeft, 0},  // one pixel thick, whatever the DPI
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

// The window's DPI; before there is a window, the system's, which new
// windows on the primary monitor get.
UINT DpiOf(HWND hwnd) {
  if (hwnd && dyn::GetDpiForWindow) return dyn::GetDpiForWindow(hwnd);
  if (!hwnd && dyn::GetDpiForSystem) return dyn::GetDpiForSystem();
  const win::WindowDC dc(hwnd);
  return static_cast<UINT>(::GetDeviceCaps(dc.get(), LOGPIXELSY));
}

int Px(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

// The window's rectangle at dpi, centred on the screen of the monitor
// (the primary one when there is no window yet).
RECT CentredRect(HWND hwnd, UINT dpi) {
  RECT r{0, 0, Px(kClientWidth, dpi), Px(kClientHeight, dpi)};
  if (dyn::AdjustWindowRectExForDpi) {
    dyn::AdjustWindowRectExForDpi(&r, kStyle, FALSE, kExStyle, dpi);
  } else {
    ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(hwnd ? ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY)
                         : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                    &monitor);
  const RECT& screen = monitor.rcMonitor;
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int left = screen.left + (screen.right - screen.left - width) / 2;
  const int top = screen.top + (screen.bottom - screen.top - height) / 2;
  return {left, top, left + width, top + height};
}

// A control's rectangle in pixels at dpi; a line runs between its ends.
RECT PlaceOf(const Placement& p, UINT dpi) {
  const int left = Px(p.left, dpi), top = Px(p.top, dpi);
  if (p.height == 0) return {left, top, Px(p.left + p.width, dpi), top + ::MulDiv(1, static_cast<int>(dpi), 96)};
  return {left, top, left + Px(p.width, dpi), top + Px(p.height, dpi)};
}

const Placement& PlacementOf(int id) {
  for (const Placement& p : kAllPlacements) {
    if (p.id == id) return p;
  }
  return kAllPlacements[0];
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

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Whether the font draws every letter of text, so a caption never shows
// boxes. A face that is not installed is not even made: the system would
// match it against every font it has before substituting another.
bool HasGlyphs(HFONT font, const std::wstring& text) {
  const win::WindowDC screen(nullptr);
  const HDC dc = screen.get();
  LOGFONTW asked{};
  ::GetObjectW(font, sizeof asked, &asked);
  asked.lfCharSet = DEFAULT_CHARSET;
  bool installed = false;
  ::EnumFontFamiliesExW(dc, &asked, FaceFound, reinterpret_cast<LPARAM>(&installed), 0);
  if (!installed) return false;
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
  // Made centred at its size, for the DPI new windows get; OnCreate makes
  // it again only when the window's own DPI differs.
  createdAt_ = DpiOf(nullptr);
  if (!CreateAs(kExStyle, TBO_WINDOW_CLASS, L"Setup", kStyle, instance_, CentredRect(nullptr, createdAt_))) {
    return false;
  }
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
  dpi_ = DpiOf(window);
  // Each at its place: no second pass moves them before they are shown.
  for (const Child& c : children) {
    const RECT r = PlaceOf(PlacementOf(c.id), dpi_);
    ::CreateWindowExW(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, r.left, r.top, r.right - r.left,
                      r.bottom - r.top, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_,
                      nullptr);
  }
  banner_.reset(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, 0));
  ::SendMessageW(Item(IDC_IMAGE1), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(banner_.get()));
  MakeFonts();
  if (dpi_ != createdAt_) {
    const RECT r = CentredRect(window, dpi_);
    ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
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
    const RECT r = PlaceOf(p, dpi_);
    ::MoveWindow(Item(p.id), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
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
