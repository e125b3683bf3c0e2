// Program entry: the Setup window on the program's only thread.
#include <windows.h>

#include <cwchar>
#include <optional>
#include <vector>

#include "app/frm_icon.h"
#include "app/options.h"
#include "automation/run_log.h"
#include "automation/win32/log_file.h"
#include "automation/win32/platform.h"
#include "automation/win32/text.h"
#include "resources/version.h"

namespace {

constexpr int kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER

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

// The arguments after the program's name, split as Windows splits them. A
// plain start has none, and then shell32 is never loaded. Empty when there
// are arguments but they cannot be split.
std::optional<std::vector<std::u16string>> Arguments(PCWSTR afterProgram) {
  std::vector<std::u16string> args;
  if (!afterProgram || afterProgram[std::wcsspn(afterProgram, L" \t")] == L'\0') return args;
  using SplitFn = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  HMODULE shell = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Windows 7 without its loader update knows no search flags; the search is
  // restricted to the system folder already.
  if (!shell) shell = ::LoadLibraryW(L"shell32.dll");
  const auto split = shell ? reinterpret_cast<SplitFn>(reinterpret_cast<void (*)()>(
                                 ::GetProcAddress(shell, "CommandLineToArgvW")))
                           : nullptr;
  int n = 0;
  LPWSTR* argv = split ? split(::GetCommandLineW(), &n) : nullptr;
  if (!argv) return std::nullopt;
  for (int i = 1; i < n; ++i) args.push_back(tbo::win::FromWide(argv[i]));
  ::LocalFree(argv);
  return args;
}

int ShowUsage(const std::u16string& reason) {
  const std::u16string text = reason.empty() ? tbo::app::kUsage : reason + u"\n\n" + tbo::app::kUsage;
  ::MessageBoxW(nullptr, tbo::win::Wide(text).c_str(), L"TBO Setup",
                MB_OK | (reason.empty() ? MB_ICONINFORMATION : MB_ICONERROR));
  return reason.empty() ? 0 : kInvalidParameter;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR afterProgram, int) {
  RestrictDllSearch();
  const auto args = Arguments(afterProgram);
  if (!args) return ShowUsage(u"The command line could not be read.");
  const tbo::app::Options options = tbo::app::ParseOptions(*args);
  if (!options.error.empty() || options.usage) return ShowUsage(options.error);
  std::optional<tbo::win::LogFile> logFile;
  if (!options.logPath.empty()) {
    logFile.emplace(options.logPath);
    const std::u16string reason = logFile->CheckAppendable();
    if (!reason.empty()) return ShowUsage(u"The log file " + options.logPath + u" cannot be written: " + reason);
  }

  tbo::win::Win32Platform platform;
  std::optional<tbo::RunLog> log;
  std::optional<tbo::LoggedPlatform> logged;
  if (logFile) {
    log.emplace(*logFile, platform.events);
    log->Write(tbo::win::LocalTimestamp() + u" TBO Setup " TBO_VERSION_TEXT u", command line: " +
               tbo::win::FromWide(::GetCommandLineW()));
    logged.emplace(platform.services(), *log);
  }
  tbo::MTBO mtbo(logged ? logged->services() : platform.services());
  tbo::app::FrmIcon form(instance, mtbo, options.presses, log ? &*log : nullptr);
  if (!form.Create()) return 1;
  // COM is first needed by a press; the window need not wait for it.
  tbo::win::ComApartment com;
  MSG msg{};
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) tbo::win::DispatchWithDialogNavigation(msg);
  return got == 0 ? static_cast<int>(msg.wParam) : 1;
}
