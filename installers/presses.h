// The presses of the Setup window: for each Office application its removal
// operation, then its installation operation. The window and the unattended
// run both press through here, so an operation changes in one place.
#pragma once

#include <string_view>

#include "automation/run_log.h"
#include "installers/mtbo.h"

namespace tbo {

enum class Press { Word, Excel, PowerPoint };

// "Word", "Excel", "PowerPoint": as the log names the application.
std::u16string_view ApplicationOf(Press press);

// Runs the press's removal and installation, telling the log of the press
// and of each operation.
void RunPress(MTBO& mtbo, RunLog& log, Press press);

}  // namespace tbo
