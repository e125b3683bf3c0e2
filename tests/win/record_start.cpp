// Writes its own path, command line and whether it runs in a job to
// "<its path>.started" and exits, so a test can tell which program a
// command line really started, and where.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  BOOL inJob = FALSE;
  ::IsProcessInJob(::GetCurrentProcess(), nullptr, &inJob);
  const std::wstring text = std::wstring(self) + L"\n" + ::GetCommandLineW() + L"\njob: " + (inJob ? L"yes" : L"no");
  const HANDLE out = ::CreateFileW((std::wstring(self) + L".started").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(out, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(out);
  return 0;
}
