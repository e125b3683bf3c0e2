// The presses: for an Office application its removal operation, then its
// installation operation (or, taking the add-in out, its uninstallation),
// each on a fresh press context. The window and the unattended run both
// press through here, so an operation changes in one place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "automation/run_log.h"
#include "installers/application.h"

namespace tbo {

// What a run does: set up (a press), take out, ask Office what is set up
// (a check, which changes nothing), or set up only what a check finds
// not set up (repair: a check, then a press where one is needed).
enum class Mode { Install, Uninstall, Check, Repair };

// What a press did not achieve of what it is for, in the log's words;
// nothing when it did all. An unattended press that met the user's own
// application ended there, and says whose it was.
struct PressOutcome {
  std::vector<std::u16string_view> missed;
  std::u16string leftToTheUser;
  bool couldNotRead = false;  // a check: Office did not answer what it asked
  bool done() const { return missed.empty() && leftToTheUser.empty(); }
};

// What the unattended run asks of Office: a port, so that the run's policy
// is tested with scripted outcomes.
class Presses {
 public:
  // The application's press (or check: Mode::Check), told to the log and
  // judged by the goals its operations read back.
  virtual PressOutcome Press(const Application& application, Mode mode, PressedBy pressedBy) = 0;
  // Whether the application is installed here at all.
  virtual bool Installed(const Application& application) = 0;
  // Looks only: why a running instance of the application is the user's
  // ("Word is open (1 document)"): one on screen, or holding something
  // open. "" when none runs, or the one that runs is no one's work.
  virtual std::u16string InUse(const Application& application) = 0;

 protected:
  ~Presses() = default;
};

// Whose a running instance of the application is, read from it: the
// user's when it is on screen or holds something open, or does not answer
// (it may be busy with them); "" when it is no one's. Within a press, an
// instance that stopped answering the press's own calls tells nothing
// (unansweredTells false): those calls fail and say so.
std::u16string Whose(const Ref& running, const Application& application, bool unansweredTells = true);

// The presses as they reach Office, through the platform.
class OfficePresses final : public Presses {
 public:
  OfficePresses(const Platform& platform, RunLog& log) : platform_(platform), log_(log) {}
  PressOutcome Press(const Application& application, Mode mode, PressedBy pressedBy) override;
  bool Installed(const Application& application) override;
  std::u16string InUse(const Application& application) override;

 private:
  // The judge of an unattended press: the instance's application is the
  // one its reference stands for.
  struct Judge final : tbo::Judge {
    std::u16string Whose(const Ref& app) override;
  };

  Platform platform_;
  RunLog& log_;
  SharedStrings shared_;
  Judge judge_;
};

}  // namespace tbo
