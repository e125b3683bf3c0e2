// The presses of the Setup window: for each Office application its removal
// operation, then its installation operation (or, taking the add-in out,
// its uninstallation). The window and the unattended run both press
// through here, so an operation changes in one place.
#pragma once

#include <string_view>
#include <vector>

#include "automation/run_log.h"
#include "installers/applications.h"

namespace tbo {

enum class Mode { Install, Uninstall };

// What a press did not achieve of what it is for, in the log's words;
// nothing when it did all.
struct PressOutcome {
  std::vector<std::u16string_view> missed;
  bool done() const { return missed.empty(); }
};

// Runs the application's press, telling the log of the press and of each
// operation, and judges it by the goals its operations read back.
PressOutcome RunPress(MTBO& mtbo, RunLog& log, const Application& application, Mode mode = Mode::Install);

}  // namespace tbo
