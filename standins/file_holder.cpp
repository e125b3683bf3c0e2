// file_holder.exe PATH...: another program that keeps files open without
// delete sharing, as an antivirus scanner or an open editor does. Journals
// each open ("lock", with the error when it failed), then holds them until
// C:\standins\locks.release exists.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "automation/win32/handles.h"
#include "standins/store.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace tbo::standin;
  int argc = 0;
  const tbo::win::UniqueLocal<LPWSTR*> owned(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  LPWSTR* argv = owned.get();
  std::vector<tbo::win::UniqueHandle> held;
  for (int i = 1; i < argc; ++i) {
    std::wstring path = argv[i];
    if (path.size() >= 260 && path.rfind(L"\\\\?\\", 0) != 0) path = L"\\\\?\\" + path;
    tbo::win::UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const long error = h ? 0 : static_cast<long>(::GetLastError());
    Journal("holder", {{"event", "lock"}, {"path", Utf8(argv[i])}, {"error", Hex(error)}});
    if (h) held.push_back(std::move(h));
  }
  const std::wstring release = StorePath(L"locks.release");
  while (::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES) ::Sleep(20);
  return 0;
}
