// The Setup window: three application buttons, a close button, a status
// line, a banner and a separator. It only shows: what a press does comes in
// as a handler, and the unattended run drives it from outside.
#pragma once

#include <windows.h>

#include "app/base_window.h"
#include "automation/function_ref.h"
#include "automation/win32/handles.h"
#include "installers/applications.h"

namespace tbo::app {

class FrmIcon : public BaseWindow<FrmIcon> {
 public:
  // What the window's owner does for it, on the window's thread.
  class Host {
   public:
    // A click on an application's button, inside the click frame.
    virtual void OnPress(const Application& application) = 0;
    // Once the window is shown, from the message loop, as a click would run.
    virtual void OnShown(FrmIcon& form) = 0;

   protected:
    ~Host() = default;
  };

  FrmIcon(HINSTANCE instance, Host& host) : instance_(instance), host_(host) {}

  // Creates the window centred, the focus on cmdCancel, and shows it
  // unless told not to (it then still runs its presses).
  bool Create(bool shown = true);
  // Brings the window of another run of the program to the front.
  static void BringExistingToFront();
  // The click frame around work: buttons grey, the status naming the
  // application, the work, the window ready again. False when a run is
  // already in progress.
  [[nodiscard]] bool RunPress(const Application& application, FunctionRef<void()> work);
  // A close that came during a run, deferred until the run is over.
  bool closeRequested() const { return closeRequested_; }
  void Destroy() { ::DestroyWindow(hwnd()); }

 private:
  friend class BaseWindow<FrmIcon>;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnCommand(int id);
  void OnClose();
  void OnActivate(bool active);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);

  void MakeFonts();
  void Layout();
  HWND Item(int id) const { return ::GetDlgItem(hwnd(), id); }

  HINSTANCE instance_;
  Host& host_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  UINT createdAt_ = USER_DEFAULT_SCREEN_DPI;  // the DPI the window was made for
  win::UniqueGdiObject windowFont_;
  win::UniqueGdiObject cancelFont_;
  win::UniqueGdiObject banner_;
  win::UniqueIcon bigIcon_;
  win::UniqueIcon smallIcon_;
  HWND lastFocus_ = nullptr;  // the control to give the focus back on activation
  bool running_ = false;
  bool closeRequested_ = false;
};

}  // namespace tbo::app
