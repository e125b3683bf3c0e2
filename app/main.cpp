// Program entry: the Setup window on the program's only thread.
#include <windows.h>

#include "app/frm_icon.h"
#include "automation/win32/platform.h"

namespace {

// Loads DLLs from the system folder only, never from the current folder or
// the one a downloaded setup program happens to sit in.
void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  RestrictDllSearch();
  tbo::win::Win32Platform platform;
  tbo::MTBO mtbo(platform.services());
  tbo::app::FrmIcon form(instance, mtbo);
  if (!form.Create()) return 1;
  // COM is first needed by a press; the window need not wait for it.
  tbo::win::ComApartment com;
  MSG msg{};
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) tbo::win::DispatchWithDialogNavigation(msg);
  return got == 0 ? static_cast<int>(msg.wParam) : 1;
}
