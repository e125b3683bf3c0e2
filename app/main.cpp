// Program entry: the Setup window on the program's only thread.
#include <windows.h>

#include <cwchar>
#include <optional>
#include <vector>

#include "app/dyn_calls.h"
#include "app/frm_icon.h"
#include "app/options.h"
#include "automation/logged.h"
#include "automation/run_log.h"
#include "automation/win32/log_file.h"
#include "automation/win32/platform.h"
#include "automation/win32/text.h"
#include "resources/version.h"

namespace {

constexpr int kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr int kCancelledByUser = 1602;  // ERROR_INSTALL_USEREXIT

// Loads DLLs from the system folder only, never from the current folder or
// the one a downloaded setup program happens to sit in.
void RestrictDllSearch() {
  if (tbo::app::dyn::SetDefaultDllDirectories) tbo::app::dyn::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
}

// The arguments after the program's name, split as Windows splits them. A
// plain start has none, and then shell32 is never loaded. Empty when there
// are arguments but they cannot be split.
std::optional<std::vector<std::u16string>> Arguments(PCWSTR afterProgram) {
  std::vector<std::u16string> args;
  if (!afterProgram || afterProgram[std::wcsspn(afterProgram, L" \t")] == L'\0') return args;
  int n = 0;
  LPWSTR* argv = tbo::app::dyn::CommandLineToArgv(::GetCommandLineW(), &n);
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

// What the window's presses do, and the unattended run: each press exactly
// as a click, in order; a close by the person at the machine skips the
// presses not yet started, and the window closes afterwards.
class Session final : public tbo::app::FrmIcon::Host {
 public:
  Session(tbo::MTBO& mtbo, tbo::RunLog& log, const std::vector<tbo::Press>& presses)
      : mtbo_(mtbo), log_(log), presses_(presses) {}
  int exitCode() const { return exitCode_; }

  void OnPress(tbo::Press press) override { tbo::RunPress(mtbo_, log_, press); }
  void OnShown(tbo::app::FrmIcon& form) override {
    if (presses_.empty()) return;
    for (tbo::Press press : presses_) {
      if (form.closeRequested()) break;
      form.RunPress(press);
    }
    if (form.closeRequested()) exitCode_ = kCancelledByUser;
    form.Destroy();
  }

 private:
  tbo::MTBO& mtbo_;
  tbo::RunLog& log_;
  const std::vector<tbo::Press>& presses_;
  int exitCode_ = 0;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR afterProgram, int) {
  tbo::app::dyn::Init();
  RestrictDllSearch();
  const auto args = Arguments(afterProgram);
  if (!args) return ShowUsage(u"The command line could not be read.");
  const tbo::app::Options options = tbo::app::ParseOptions(*args);
  if (!options.error.empty() || options.usage) return ShowUsage(options.error);
  tbo::win::LogFile logFile(options.logPath);
  if (!options.logPath.empty()) {
    const std::u16string reason = logFile.CheckAppendable();
    if (!reason.empty()) return ShowUsage(u"The log file " + options.logPath + u" cannot be written: " + reason);
  }

  tbo::win::Win32Platform platform;
  tbo::RunLog log(logFile, platform.events);
  log.Write(tbo::win::LocalTimestamp() + u" TBO Setup " TBO_VERSION_TEXT u", command line: " +
            tbo::win::FromWide(::GetCommandLineW()));
  tbo::LoggedPlatform logged(platform.services(), log);
  tbo::MTBO mtbo(logged.services(), log);
  Session session(mtbo, log, options.presses);
  tbo::app::FrmIcon form(instance, session);
  if (!form.Create()) return 1;
  // COM is first needed by a press; the window need not wait for it. The
  // window's thread shares the apartment of the thread that calls Office,
  // so that it can hold and let go of what Office hands out.
  const tbo::win::ComApartment com(COINIT_MULTITHREADED);
  MSG msg{};
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) tbo::win::DispatchWithDialogNavigation(msg);
  return got == 0 ? session.exitCode() : 1;
}
