// The command line: application switches for unattended roll-out, a log
// file and the limits of an unattended run. With no switches the program is
// the interactive Setup window alone.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "installers/presses.h"

namespace tbo::app {

struct Options {
  std::vector<Press> presses;  // run in this order, then the window closes itself
  std::u16string logPath;      // empty: no log
  bool usage = false;          // "/?": show how to call the program
  bool quiet = false;          // the window is never shown
  bool force = false;          // set up also what the user has set up already
  bool uninstall = false;      // take the add-in out of the applications instead
  // How long one Office call may take in an unattended run, and how long
  // the run waits for another run of the program to end.
  std::chrono::seconds timeout{60};
  std::chrono::seconds wait{600};
  // No one may be at the machine: an application switch or /quiet, also
  // one that a stray quotation mark swallowed into another argument.
  bool unattended = false;
  std::u16string error;  // why the command line cannot be used; empty when it can
};

// Reads the arguments after the program name. Switches are case-blind and
// start with '/' or '-'.
Options ParseOptions(const std::vector<std::u16string>& args);

inline constexpr char16_t kUsage[] =
    u"TBO_Setup.exe [/uninstall] [/word] [/powerpoint] [/excel] [/force] [/quiet] [/log FILE] [/timeout SECONDS] "
    u"[/wait SECONDS] [/?]\n\n"
    u"/word, /powerpoint, /excel\tset up the add-in in these applications, in the order given, then close; "
    u"an application already set up for this user by this version is left alone\n"
    u"/force\tset up also what is already set up for this user\n"
    u"/uninstall\ttake the add-in out of these applications instead\n"
    u"/quiet\tshow no window\n"
    u"/log FILE\tappend to FILE what each press changed and each step that failed\n"
    u"/timeout SECONDS\tgive up an Office call that takes longer (default 60)\n"
    u"/wait SECONDS\twait this long for another run of the program to end (default 600)\n"
    u"/?\tshow this text\n\n"
    u"Exit codes: 0 done, 1603 an application could not be set up or the add-in taken out, 1602 closed before the end, "
    u"1618 another run did not end in time, 87 a command line that cannot be used.";

}  // namespace tbo::app
