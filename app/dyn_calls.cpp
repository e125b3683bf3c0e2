#include "app/dyn_calls.h"

namespace tbo::app::dyn {
namespace {

template <class F>
void Find(F& function, HMODULE module, const char* name) {
  // Through a generic function pointer: the cast between function types is the point.
  function = module ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

void Init() {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  Find(GetDpiForWindow, user32, "GetDpiForWindow");
  Find(GetDpiForSystem, user32, "GetDpiForSystem");
  Find(AdjustWindowRectExForDpi, user32, "AdjustWindowRectExForDpi");
  Find(SystemParametersInfoForDpi, user32, "SystemParametersInfoForDpi");
  Find(SetDefaultDllDirectories, ::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
}

LPWSTR* CommandLineToArgv(LPCWSTR commandLine, int* count) {
  HMODULE shell = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Windows 7 without its loader update knows no search flags; the search
  // is restricted to the system folder already.
  if (!shell) shell = ::LoadLibraryW(L"shell32.dll");
  LPWSTR*(WINAPI * split)(LPCWSTR, int*) = nullptr;
  Find(split, shell, "CommandLineToArgvW");
  return split ? split(commandLine, count) : nullptr;
}

}  // namespace tbo::app::dyn
