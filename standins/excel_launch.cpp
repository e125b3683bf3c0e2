// EXCEL.EXE as the Excel add-in installer starts it: journals the exact
// command line it was given, the words Windows programs split it into, and
// which file was started, then exits. Copies planted elsewhere
// (C:\Program.exe) tell themselves apart by the last.
#include <windows.h>
#include <shellapi.h>

#include "automation/win32/handles.h"
#include "standins/store.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tbo::standin;
  wchar_t image[32768] = {};
  ::GetModuleFileNameW(nullptr, image, 32768);
  Json words = Json::array();
  int count = 0;
  if (const tbo::win::UniqueLocal<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count)); argv) {
    for (int i = 0; i < count; ++i) words.push_back(Utf8(argv.get()[i]));
  }
  Journal("excel.exe", {{"event", "launch"},
                        {"commandLine", Utf8(::GetCommandLineW())},
                        {"argv", words},
                        {"image", Utf8(image)}});
  return 0;
}
