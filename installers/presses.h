// The presses of the Setup window: for each Office application its removal
// operation, then its installation operation. The window and the unattended
// run both press through here, so an operation changes in one place.
#pragma once

#include <string_view>
#include <vector>

#include "automation/run_log.h"
#include "installers/mtbo.h"

namespace tbo {

enum class Press { Word, Excel, PowerPoint };

// "Word", "Excel", "PowerPoint": as the log names the application.
std::u16string_view ApplicationOf(Press press);

// Runs the press's removal and installation (with uninstall: the operation
// that takes the add-in out again), telling the log of the press and of each
// operation. Returns what the press did not achieve of what its application
// needs to count as set up (or the add-in as taken out), in words; empty
// when it did all.
std::vector<std::u16string_view> RunPress(MTBO& mtbo, RunLog& log, Press press, bool uninstall = false);

}  // namespace tbo
