// The command line: application switches for unattended roll-out and a log
// file. With no switches the program is the interactive Setup window alone.
#pragma once

#include <string>
#include <vector>

#include "installers/presses.h"

namespace tbo::app {

struct Options {
  std::vector<Press> presses;  // run in this order, then the window closes itself
  std::u16string logPath;      // empty: no log
  bool usage = false;          // "/?": show how to call the program
  std::u16string error;        // why the command line cannot be used; empty when it can
};

// Reads the arguments after the program name. Switches are case-blind and
// start with '/' or '-'.
Options ParseOptions(const std::vector<std::u16string>& args);

inline constexpr char16_t kUsage[] =
    u"TBO_Setup.exe [/word] [/excel] [/powerpoint] [/log FILE] [/?]\n\n"
    u"/word, /excel, /powerpoint\tset up the add-in in these applications, in the order given, "
    u"then close\n"
    u"/log FILE\tappend to FILE a line for each press and for each step that fails\n"
    u"/?\tshow this text\n\n"
    u"Exit codes: 0 done, 1602 closed before the end, 87 a command line that cannot be used.";

}  // namespace tbo::app
