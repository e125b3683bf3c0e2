// The Setup window: three application buttons, a close button, a status
// line, a banner and a separator. A press on an application button runs that
// application's removal and installation operations on this thread.
#pragma once

#include <windows.h>

#include "automation/win32/handles.h"
#include "installers/mtbo.h"

namespace tbo::app {

class FrmIcon {
 public:
  FrmIcon(HINSTANCE instance, MTBO& mtbo) : instance_(instance), mtbo_(mtbo) {}
  FrmIcon(const FrmIcon&) = delete;
  FrmIcon& operator=(const FrmIcon&) = delete;

  // Creates the window and shows it centred, the focus on cmdCancel.
  bool Create();

 private:
  using Operation = void (MTBO::*)();
  struct Press {
    Operation removal;
    Operation installation;
  };

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
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
  void RunPress(int pressedId, Press press);
  HWND Item(int id) const { return ::GetDlgItem(window_.get(), id); }
  int Px(int twips) const { return ::MulDiv(twips, static_cast<int>(dpi_), 1440); }

  HINSTANCE instance_;
  MTBO& mtbo_;
  win::UniqueWindow window_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
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
