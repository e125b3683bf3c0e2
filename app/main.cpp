// Program entry: the command line, one run at a time, and the Setup window
// on the program's thread.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <vector>

#include "app/dyn_calls.h"
#include "app/frm_icon.h"
#include "app/options.h"
#include "app/session.h"
#include "automation/logged.h"
#include "automation/run_log.h"
#include "automation/text.h"
#include "automation/win32/log_file.h"
#include "automation/win32/one_run.h"
#include "automation/win32/platform.h"
#include "automation/win32/text.h"
#include "automation/win32/registry_record.h"
#include "automation/win32/run_context.h"
#include "resources/version.h"

namespace {

using namespace tbo::app;
using tbo::kAnotherRunGoesOn;
using tbo::kInstallFailure;
using tbo::kInvalidParameter;
using tbo::kSetUp;

// Loads DLLs from the system folder only, never from the current folder or
// the one a downloaded setup program happens to sit in.
void RestrictDllSearch() {
  if (dyn::SetDefaultDllDirectories) dyn::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
}

// The arguments after the program's name, split as Windows splits them. A
// plain start has none, and then shell32 is never loaded. Empty when there
// are arguments but they cannot be split.
std::optional<std::vector<std::u16string>> Arguments(PCWSTR afterProgram) {
  std::vector<std::u16string> args;
  if (!afterProgram || afterProgram[std::wcsspn(afterProgram, L" \t")] == L'\0') return args;
  int n = 0;
  const tbo::win::UniqueLocal<LPWSTR*> argv(dyn::CommandLineToArgv(::GetCommandLineW(), &n));
  if (!argv) return std::nullopt;
  for (int i = 1; i < n; ++i) args.push_back(tbo::win::FromWide(argv.get()[i]));
  return args;
}

std::u16string Header() {
  return tbo::win::LocalTimestamp() + u" TBO Setup " TBO_VERSION_TEXT u", command line: " +
         tbo::win::FromWide(::GetCommandLineW());
}

int ShowUsage(const std::u16string& reason) {
  const std::u16string text = reason.empty() ? std::u16string(Usage()) : reason + u"\n\n" + std::u16string(Usage());
  ::MessageBoxW(nullptr, tbo::win::Wide(text).c_str(), L"TBO Setup",
                MB_OK | (reason.empty() ? MB_ICONINFORMATION : MB_ICONERROR));
  return reason.empty() ? kSetUp : kInvalidParameter;
}

// The run's log: the one asked for; an unattended run without one logs to
// %TEMP%\TBO Setup.log, where Windows Installer's logging policy writes too,
// when it can; a person's plain start keeps none.
tbo::win::LogPlace LogPlaceOf(const Options& options) {
  if (!options.logPath.empty()) return tbo::win::PrepareLog(options.logPath);
  if (!options.unattended) return {};
  tbo::win::LogPlace place = tbo::win::PrepareLog(tbo::win::FallbackLogPath());
  return place.problem.empty() ? place : tbo::win::LogPlace{};
}

// Where an unattended run that does nothing says why: its log, or
// %TEMP%\TBO Setup.log when that log cannot be written.
tbo::win::LogFile LogOfARunThatDoesNothing(const tbo::win::LogPlace& log) {
  tbo::win::LogFile file(!log.path.empty() && log.problem.empty() ? log.path : tbo::win::FallbackLogPath());
  file.Header(Header());
  return file;
}

// A command line that cannot be used. A person who typed it sees why; an
// unattended run has no one to click a box away.
int Refuse(const Options& options, const tbo::win::LogPlace& log, const std::u16string& reason) {
  if (!options.unattended) return ShowUsage(reason);
  LogOfARunThatDoesNothing(log).Append(u"the command line cannot be used: " + reason);
  return kInvalidParameter;
}

// "/?" asks how to call the program; unattended, the answer goes to the log.
int AnswerUsage(const Options& options, const tbo::win::LogPlace& log) {
  if (!options.unattended) return ShowUsage(u"");
  tbo::win::LogFile file = LogOfARunThatDoesNothing(log);
  std::u16string_view text = Usage();
  for (size_t end; !text.empty(); text.remove_prefix(std::min(end + 1, text.size()))) {
    end = std::min(text.find(u'\n'), text.size());
    if (end > 0) file.Append(text.substr(0, end));
  }
  return kSetUp;
}

// A second unattended run waits for the first, but not past its deadline;
// a person who starts the program again gets the window already open.
std::optional<int> WaitForOurTurn(tbo::win::OneRunLock& oneRun, const Options& options, const tbo::Deadline& deadline,
                                  tbo::win::LogFile& log) {
  if (oneRun.Take(std::chrono::milliseconds(0))) return std::nullopt;
  if (!options.unattended) {
    FrmIcon::BringExistingToFront();
    return kSetUp;
  }
  const auto most = std::min<std::chrono::milliseconds>(options.wait, deadline.Left());
  log.Append(u"another run of TBO Setup goes on in this session: waiting for it to end, at most " +
             tbo::Decimal(std::chrono::duration_cast<std::chrono::seconds>(most).count()) + u" s");
  if (oneRun.Take(most)) return std::nullopt;
  log.Append(u"the other run did not end in time: nothing was done");
  return kAnotherRunGoesOn;
}

}  // namespace

// The command that runs this run again at the next logon: this program,
// with the same switches.
std::u16string RunAgain(PCWSTR afterProgram) {
  std::wstring self(MAX_PATH, L'\0');
  while (::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())) >= self.size()) {
    self.resize(self.size() * 2);
  }
  self.resize(std::wcslen(self.c_str()));
  return tbo::win::FromWide(L"\"" + self + L"\" " + (afterProgram + std::wcsspn(afterProgram, L" \t")));
}

// One line to whoever reads the program's standard output (a detection
// script redirects it): nothing when no one does.
void TellStandardOutput(std::u16string_view asciiLine) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (!out || out == INVALID_HANDLE_VALUE) return;
  std::vector<char> text(asciiLine.begin(), asciiLine.end());
  text.push_back('\r');
  text.push_back('\n');
  DWORD written = 0;
  ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR afterProgram, int) {
  const std::chrono::milliseconds started(::GetTickCount64());
  dyn::Init();
  RestrictDllSearch();
  const auto args = Arguments(afterProgram);
  Options options = args ? ParseOptions(*args) : Options{};
  if (!args) options.error = u"The command line could not be read.";
  const tbo::win::LogPlace place = LogPlaceOf(options);
  if (!options.error.empty() || !place.problem.empty()) {
    return Refuse(options, place, options.error.empty() ? place.problem : options.error);
  }
  if (options.usage) return AnswerUsage(options, place);
  tbo::win::LogFile logFile(place.path);
  logFile.Header(Header());
  if (options.unattended) {
    if (const std::u16string refusal = tbo::RefusalOf(tbo::win::CurrentContext()); !refusal.empty()) {
      logFile.Append(refusal);
      return tbo::kInstallFailure;
    }
  }

  // A person at the machine can answer Office's questions; an unattended
  // run gives up a call that takes too long, and starts nothing after its
  // deadline, counted from its start.
  tbo::win::Win32Platform platform(options.unattended ? std::chrono::milliseconds(options.timeout) : tbo::kNoLimit);
  const tbo::Deadline deadline = options.unattended && options.deadline.count() > 0
                                     ? tbo::Deadline(platform.events, started, options.deadline)
                                     : tbo::Deadline();
  platform.automation.SetDeadline(deadline);

  tbo::win::OneRunLock oneRun(L"Local\\TBO Setup, one run at a time");
  if (const auto refused = WaitForOurTurn(oneRun, options, deadline, logFile)) return *refused;

  tbo::RunLog log(logFile, platform.events);
  tbo::LoggedPlatform logged(platform.services(), log);
  tbo::OfficePresses presses(logged.services(), log);
  tbo::win::RegistryUserRecord record, logonRuns(L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  Session session(presses, log, record, logonRuns,
                  {options.presses, options.mode, options.force, options.closeApps, deadline,
                   options.nextLogon ? RunAgain(afterProgram) : u""});
  FrmIcon form(instance, session);
  // 1 is /check's answer "not set up", and never a failure of the program.
  if (!form.Create(!options.quiet)) return kInstallFailure;
  // COM is first needed by a press; the window need not wait for it. The
  // window's thread shares the apartment of the thread that calls Office,
  // so that it can hold and let go of what Office hands out.
  const tbo::win::ComApartment com(COINIT_MULTITHREADED);
  MSG msg{};
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) tbo::win::DispatchWithDialogNavigation(msg);
  if (got != 0) return kInstallFailure;
  const int code = session.Finish();
  if (options.mode == tbo::Mode::Check || options.mode == tbo::Mode::Repair) TellStandardOutput(session.Summary());
  return code;
}
