// EXCEL.EXE as the Excel add-in installer starts it: journals the exact
// command line it was given and exits.
#include <windows.h>

#include "standins/store.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tbo::standin;
  Json line = Json::MakeObject();
  line.Set("event", "launch");
  line.Set("commandLine", Utf8(::GetCommandLineW()));
  Journal("excel.exe", std::move(line));
  return 0;
}
