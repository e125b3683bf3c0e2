// The Setup window: three application buttons, a close button, a status
// line, a banner and a separator. A press on an application button runs that
// application's removal and installation operations on this thread.
#pragma once

#include <windows.h>

#include <vector>

#include "app/options.h"
#include "automation/run_log.h"
#include "automation/win32/handles.h"
#include "installers/mtbo.h"

namespace tbo::app {

class FrmIcon {
 public:
  // With presses, the window runs them in order once it is shown, then
  // closes itself; log (optional) hears of each press and operation.
  FrmIcon(HINSTANCE instance, MTBO& mtbo, std::vector<Press> presses = {}, RunLog* log = nullptr)
      : instance_(instance), mtbo_(mtbo), presses_(std::move(presses)), log_(log) {}
  FrmIcon(const FrmIcon&) = delete;
  FrmIcon& operator=(const FrmIcon&) = delete;

  // Creates the window and shows it centred, the focus on cmdCancel.
  bool Create();

 private:
  using Operation = void (MTBO::*)();
  struct Operations {
    int button;
    const char16_t* application;  // for the log
    Operation removal;
    const char16_t* removalName;
    Operation installation;
    const char16_t* installationName;
  };
  static const Operations& OperationsOf(Press press);
  struct CloseAfterRun;

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnCommand(int id);
  void OnUnattended();
  void OnClose();
  void OnActivate(bool active);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);

  void MakeFonts();
  void Layout();
  void RunPress(const Operations& press);
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
  std::vector<Press> presses_;
  RunLog* log_;
  bool running_ = false;
  bool closeRequested_ = false;
  int exitCode_ = 0;  // 1602 when the person at the machine closed an unattended run
};

}  // namespace tbo::app
