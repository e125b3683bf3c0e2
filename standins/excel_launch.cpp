// EXCEL.EXE as the Excel add-in installer starts it: journals the exact
// command line it was given, and which file was started, and exits. Copies
// planted elsewhere (C:\Program.exe) tell themselves apart by the latter.
#include <windows.h>

#include "standins/store.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tbo::standin;
  Json line = Json::MakeObject();
  line.Set("event", "launch");
  line.Set("commandLine", Utf8(::GetCommandLineW()));
  wchar_t image[32768] = {};
  ::GetModuleFileNameW(nullptr, image, 32768);
  line.Set("image", Utf8(image));
  Journal("excel.exe", std::move(line));
  return 0;
}
