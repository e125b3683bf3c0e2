// EXCEL.EXE as the Excel add-in installer starts it: journals the exact
// command line it was given, and which file was started, and exits. Copies
// planted elsewhere (C:\Program.exe) tell themselves apart by the latter.
#include <windows.h>

#include "standins/store.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tbo::standin;
  wchar_t image[32768] = {};
  ::GetModuleFileNameW(nullptr, image, 32768);
  Journal("excel.exe",
          {{"event", "launch"}, {"commandLine", Utf8(::GetCommandLineW())}, {"image", Utf8(image)}});
  return 0;
}
