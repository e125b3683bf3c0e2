// The command line: application switches for unattended roll-out, a log
// file and the limits of an unattended run. With no switches the program is
// the interactive Setup window alone.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "installers/applications.h"
#include "installers/presses.h"

namespace tbo::app {

struct Options {
  std::vector<const Application*> presses;  // run in this order, then the window closes itself
  std::u16string logPath;                   // empty: no log
  bool usage = false;                       // "/?": show how to call the program
  bool quiet = false;                       // the window is never shown
  bool force = false;                       // set up also what the user has set up already
  bool closeApps = false;                   // quit also what the user has open
  Mode mode = Mode::Install;                // /uninstall, /check, /repair
  // How long one Office call may take in an unattended run, and how long
  // the run waits for another run of the program to end.
  std::chrono::seconds timeout{60};
  std::chrono::seconds wait{600};
  // How long the whole run may press: none starts after it (zero: no
  // deadline). An unattended run that did not end complete is run again at
  // the user's next logon (nextLogon).
  std::chrono::seconds deadline{0};
  bool nextLogon = false;
  // No one may be at the machine: an application switch or /quiet, also
  // one that a stray quotation mark swallowed into another argument.
  bool unattended = false;
  std::u16string error;  // why the command line cannot be used; empty when it can
};

// Reads the arguments after the program name. Switches are case-blind and
// start with '/' or '-'.
Options ParseOptions(const std::vector<std::u16string>& args);

// How to call the program, with the applications the table lists.
std::u16string_view Usage();

}  // namespace tbo::app
