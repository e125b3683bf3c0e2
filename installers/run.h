// An unattended run: the presses the command line asks for, each exactly as
// a click, the user's record, and the exit code management tools read. What
// becomes of each application and the exit code are decided by the pure
// functions below, over facts asked only as the rules need them;
// UnattendedRun only strings them together, presses through the Presses
// port, and the window lends it its click frame.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "automation/function_ref.h"
#include "automation/retry.h"
#include "automation/run_log.h"
#include "automation/user_record.h"
#include "installers/presses.h"

namespace tbo {

// Exit codes as Windows Installer gives them, which management tools know.
inline constexpr int kSetUp = 0;
inline constexpr int kInvalidParameter = 87;    // ERROR_INVALID_PARAMETER
inline constexpr int kCancelledByUser = 1602;   // ERROR_INSTALL_USEREXIT
inline constexpr int kInstallFailure = 1603;    // ERROR_INSTALL_FAILURE
inline constexpr int kAnotherRunGoesOn = 1618;  // ERROR_INSTALL_ALREADY_RUNNING

// What became of one application the run was asked for.
enum class Fate {
  Skipped,       // the person at the machine closed the window before its press
  AlreadySetUp,  // the user's record names the generation this program sets up: left alone
  NotInstalled,  // not on this machine: nothing to set up, nothing recorded
  Deferred,      // the user has it open, or the deadline came: left for a later run
  Done,          // pressed, every goal read back, the record written or removed
  Missed,        // pressed, and a goal was not reached (or the press did not run)
  NotKept,       // pressed, every goal reached, but the record not written or removed
  Unanswered,    // checked, and Office did not answer what was asked
};

// /check's exit codes besides those above: an application reads not set up.
inline constexpr int kIssueFound = 1;

struct Request {
  std::vector<const Application*> applications;  // as the command line gives them
  Mode mode = Mode::Install;
  bool force = false;      // also what the user's record says is set up
  bool closeApps = false;  // press also what the user has open (and so close it)
  Deadline deadline;       // no press starts after it
  // A run that did not end complete writes this command (the program and
  // the same switches) to be run again at the user's next logon; none
  // without /nextlogon.
  std::u16string nextLogon;
};

// What is known of an application before its press, each fact asked only
// when a rule needs it: whatever reaches Office is asked last.
class Facts {
 public:
  // The person at the machine asked for the window to close.
  virtual bool Closed() = 0;
  // The user's record names the generation the application's press sets up.
  virtual bool Recorded(const Application& application) = 0;
  // The application is on this machine.
  virtual bool Installed(const Application& application) = 0;
  // The run's deadline has passed: no press starts.
  virtual bool DeadlinePassed() = 0;
  // Why a running instance of it is the user's; "" when none is.
  virtual std::u16string InUse(const Application& application) = 0;

 protected:
  ~Facts() = default;
};

// Before an application's press: whether it is pressed. A close skips the
// rest; what this generation set up for the user is left alone (every press
// sets the user's files aside), unless forced; what is not installed is
// nothing to set up; after the deadline no press starts; an application the
// user has open (it, or another its press quits) is left for a later run
// rather than closed under them, unless the administrator says so. Taking
// out of an application that keeps running quits nothing.
enum class Before { Skip, LeaveAlone, NotInstalled, Defer, Press };
struct Decision {
  Before before;
  std::u16string why;  // for Defer: whose open application, or the deadline
};
Decision Decide(const Request& request, const Application& application, Facts& facts);

// After its press, what the record does: only what every goal was read back
// for is recorded (or forgotten), so that a failed press is tried again.
enum class Keep { Nothing, Record, Forget };
Keep RecordAfter(Mode mode, const PressOutcome& outcome);

// Whether the run as a whole is set up (the detection value is written):
// every application asked for set up, or not installed here.
bool Complete(std::span<const Fate> fates);

// A failure (of a press, or of the detection value: detectionKept false)
// makes 1603; otherwise an application left for later 1618, which
// management tools retry; otherwise a close that skipped something 1602.
int ExitCode(std::span<const Fate> fates, bool detectionKept = true);
// A check's: Office did not answer 1603; an application not set up 1 (an
// issue found, as a detection script says it); what was left unchecked
// 1618; a close 1602; all set up 0.
int CheckExitCode(std::span<const Fate> fates);

// With /nextlogon, what the end of the run does for the next logon: a run
// that pressed or left something for later and did not end complete (1603,
// 1618) is run again, at most kMostRetries times in a row; a complete run
// ends the retries. A close by the person at the machine (1602) is theirs.
inline constexpr int kMostRetries = 3;
enum class AtNextLogon { Nothing, RunAgain, GiveUp, Clear };
AtNextLogon NextLogon(int exitCode, int retriesSoFar);

// The applications in the order that is safe to press them in (the table's:
// the PowerPoint press quits the Excel it reaches, so Excel, whose press
// leaves a window for the user, comes last), each once.
std::vector<const Application*> InSafeOrder(std::span<const Application* const> asked);

// Why an unattended run must not set the add-in up here: it is set up for
// the signed-in user, through that user's Office and in their profile, and
// Office under a service account is unsupported (its calls hang, or
// "succeed" against the system's profile). "" when it may.
std::u16string RefusalOf(const Context& context);

// The window as the run drives it.
class Frame {
 public:
  virtual bool CloseRequested() = 0;
  // Runs work inside the click frame of the application's button; whether
  // it ran (not when a run is already in progress).
  [[nodiscard]] virtual bool Around(const Application& application, FunctionRef<void()> work) = 0;

 protected:
  ~Frame() = default;
};

class UnattendedRun {
 public:
  // logonRuns: where Windows keeps what it runs once at the user's next
  // logon (RunOnce).
  UnattendedRun(Presses& presses, RunLog& log, UserRecord& record, UserRecord& logonRuns, Request request)
      : presses_(presses), log_(log), record_(record), logonRuns_(logonRuns), request_(std::move(request)) {}
  // The presses, one after the other in the safe order; those after a close
  // by the person at the machine are skipped.
  void Run(Frame& frame);
  // The log's last lines, the record's LastResult, the next logon's run, and
  // the exit code. The presses not started (all of them, when the window
  // closed before the first) were skipped. A check changes nothing of the
  // record: only its lines.
  int Finish();
  // One line of plain ASCII that sums the run up, for a caller that reads
  // the program's standard output (a detection script).
  std::u16string Summary() const;

 private:
  struct Result {
    std::u16string name;
    Fate fate;
    std::u16string why;  // the goals missed, or the record's failure
  };
  class SeenFacts;
  Result Press(const Application& application, Frame& frame);
  // Left for a later run, and why.
  Result Deferred(const Application& application, std::u16string_view why);
  // The press itself, as mode says, inside the frame, and what follows.
  Result Pressed(const Application& application, Frame& frame, Mode mode);
  // A check, and for a repair the press or the record that follows from it.
  Result Checked(const Application& application, Frame& frame, Facts& facts);
  // kind: what is told of it, "press" or "repair".
  Result Remembered(const Application& application, Keep keep, std::u16string_view kind = u"press");
  // The detection value follows the run as a whole; the system's reason
  // when it could not be written or removed.
  std::optional<std::u16string> KeepWhole();
  std::u16string Listed(Fate fate) const;
  // What the last run ended with, for inventory to find users stuck.
  void KeepLastResult(int exitCode, std::u16string_view why);
  void ArrangeNextLogon(int exitCode);

  Presses& presses_;
  RunLog& log_;
  UserRecord& record_;
  UserRecord& logonRuns_;
  Request request_;
  std::vector<const Application*> ordered_;
  std::vector<Result> results_;
};

}  // namespace tbo
