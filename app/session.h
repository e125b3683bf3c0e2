// What the Setup window's presses do, and the unattended run: each press
// exactly as a click, in order, and the exit code that management tools
// read from it.
#pragma once

#include <string>
#include <vector>

#include "app/frm_icon.h"
#include "automation/run_log.h"
#include "automation/user_record.h"
#include "installers/mtbo.h"
#include "installers/presses.h"

namespace tbo::app {

// Exit codes as Windows Installer gives them, which management tools know.
inline constexpr int kSetUp = 0;
inline constexpr int kInvalidParameter = 87;         // ERROR_INVALID_PARAMETER
inline constexpr int kCancelledByUser = 1602;        // ERROR_INSTALL_USEREXIT
inline constexpr int kInstallFailure = 1603;         // ERROR_INSTALL_FAILURE
inline constexpr int kAnotherRunGoesOn = 1618;       // ERROR_INSTALL_ALREADY_RUNNING

class Session final : public FrmIcon::Host {
 public:
  // presses: the unattended run's, in order; none for a person at the
  // machine. force: also what the user's record says is set up already.
  // uninstall: the presses take the add-in out instead.
  Session(MTBO& mtbo, RunLog& log, UserRecord& record, std::vector<Press> presses, bool force, bool uninstall)
      : mtbo_(mtbo), log_(log), record_(record), presses_(std::move(presses)), force_(force), uninstall_(uninstall) {}
  // Once the window has gone: the exit code. Presses never started (a
  // close before the first) are skipped.
  int Finish();

  void OnPress(Press press) override;
  void OnShown(FrmIcon& form) override;

 private:
  void Remember(Press press);

  MTBO& mtbo_;
  RunLog& log_;
  UserRecord& record_;
  std::vector<Press> presses_;
  bool force_;
  bool uninstall_;
  bool lastDone_ = false;    // the last press achieved all it is for
  size_t started_ = 0;       // presses begun or left alone
  std::u16string notDone_;   // "Excel (the add-in switched on in Excel)", ...
  std::u16string notKept_;   // "Word (0x80070003 ...)": records not written or not removed
};

}  // namespace tbo::app
