#include "app/options.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tbo::app {
namespace {

std::u16string Folded(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

// "word" for "/WORD" or "-word"; "" for what is no switch.
std::u16string SwitchName(std::u16string_view arg) {
  return arg.size() > 1 && (arg[0] == u'/' || arg[0] == u'-') ? Folded(arg.substr(1)) : u"";
}

bool MeansUnattended(std::u16string_view name) {
  return ApplicationNamed(name) || name == u"quiet" || name == u"uninstall" || name == u"check" || name == u"repair";
}

// Whether an argument holds such a switch as a word of its own: a quotation
// mark escaped by a trailing backslash (`"C:\Logs\" /word`) joins the rest
// of the command line into one argument.
bool SwallowsAPress(std::u16string_view arg) {
  for (size_t start = 0; start < arg.size();) {
    const size_t end = std::min(arg.find(u' ', start), arg.size());
    if (start > 0 && MeansUnattended(SwitchName(arg.substr(start, end - start)))) return true;
    start = end + 1;
  }
  return false;
}

// Texts made once, at compile time, from the application table: a writer
// that counts when it has nowhere to write.
struct Writer {
  char16_t* out = nullptr;
  size_t n = 0;
  constexpr Writer& operator<<(std::u16string_view text) {
    for (const char16_t c : text) {
      if (out) out[n] = c;
      ++n;
    }
    return *this;
  }
};

template <void (*write)(Writer&)>
constexpr auto Made() {
  constexpr size_t kLength = [] {
    Writer count;
    write(count);
    return count.n;
  }();
  std::array<char16_t, kLength + 1> text{};
  Writer w{text.data()};
  write(w);
  return text;
}

// "/word, /powerpoint, /excel".
constexpr void WriteSwitches(Writer& w) {
  bool first = true;
  for (const Application* a : kApplications) w << (std::exchange(first, false) ? u"/" : u", /") << a->switchName;
}
constexpr auto kSwitches = Made<WriteSwitches>();

constexpr void WriteUsage(Writer& w) {
  w << u"TBO_Setup.exe [/uninstall | /check | /repair] ";
  for (const Application* a : kApplications) w << u"[/" << a->switchName << u"] ";
  w << u"[/force] [/closeapps] [/quiet] [/log FILE] [/timeout SECONDS] [/deadline SECONDS] [/wait SECONDS] "
       u"[/nextlogon] [/?]\n\n";
  WriteSwitches(w);
  w << u"\tset up the add-in in these applications (in the order ";
  bool first = true;
  for (const Application* a : kApplications) w << (std::exchange(first, false) ? u"" : u", ") << a->name;
  w << u", whatever order is given), then close; an application already set up for this user is left alone, one "
       u"the user has open is left for a later run (1618)\n"
       u"/force\tset up also what is already set up for this user\n"
       u"/closeapps\tquit also the applications the user has open, unsaved work and all\n"
       u"/uninstall\ttake the add-in out of these applications instead\n"
       u"/check\task Office what is set up now and change nothing (exit 0 all set up, 1 not)\n"
       u"/repair\tset up only what /check finds not set up\n"
       u"/quiet\tshow no window\n"
       u"/log FILE\tappend to FILE what each press changed and each step that failed (default: %TEMP%\\TBO "
       u"Setup.log)\n"
       u"/timeout SECONDS\tgive up an Office call that takes longer (default 60)\n"
       u"/deadline SECONDS\tstart no press later than this after the start (those left for a later run, 1618)\n"
       u"/wait SECONDS\twait this long for another run of the program to end (default 600)\n"
       u"/nextlogon\ta run that did not end complete (1603, 1618) runs again at the user's next logon, at most 3 "
       u"times\n"
       u"/?\tshow this text\n\n"
       u"Exit codes: 0 done, 1603 an application could not be set up or the add-in taken out (or the run is not "
       u"in a signed-in user's context), 1602 closed before the end, 1618 an application left for later or another "
       u"run that did not end in time, 87 a command line that cannot be used; /check: 0 all set up, 1 one not, 1603 "
       u"Office did not answer.";
}
constexpr auto kUsage = Made<WriteUsage>();

std::u16string Switches() { return kSwitches.data(); }

// A number of whole seconds, 1 to a day; -1 for anything else.
long Seconds(std::u16string_view text) {
  long n = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9' || n > 86400) return -1;
    n = n * 10 + (c - u'0');
  }
  return text.empty() || n < 1 || n > 86400 ? -1 : n;
}

}  // namespace

Options ParseOptions(const std::vector<std::u16string>& args) {
  Options o;
  // The first mistake is the one reported; the rest is still read, so that
  // the log named after it can be told of it.
  const auto refuse = [&](std::u16string reason) {
    if (o.error.empty()) o.error = std::move(reason);
  };
  bool swallowed = false;  // the log's name then says what went wrong
  for (const std::u16string& arg : args) {
    swallowed = swallowed || SwallowsAPress(arg);
    o.unattended = o.unattended || MeansUnattended(SwitchName(arg)) || swallowed;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::u16string name = SwitchName(args[i]);
    const bool hasValue = i + 1 < args.size() && !args[i + 1].empty() && SwitchName(args[i + 1]).empty();
    if (const Application* application = ApplicationNamed(name)) {
      o.presses.push_back(application);
    } else if (name == u"quiet") {
      o.quiet = true;
    } else if (name == u"force") {
      o.force = true;
    } else if (name == u"closeapps") {
      o.closeApps = true;
    } else if (name == u"uninstall" || name == u"check" || name == u"repair") {
      const Mode mode = name == u"uninstall" ? Mode::Uninstall : name == u"check" ? Mode::Check : Mode::Repair;
      if (o.mode != Mode::Install && o.mode != mode) refuse(u"Only one of /uninstall, /check and /repair at a time.");
      o.mode = mode;
    } else if (name == u"?") {
      o.usage = true;
    } else if (name == u"log" && hasValue) {
      o.logPath = args[++i];
    } else if (name == u"log") {
      refuse(u"/log needs the name of a file.");
    } else if (name == u"nextlogon") {
      o.nextLogon = true;
    } else if ((name == u"timeout" || name == u"wait" || name == u"deadline") && hasValue &&
               Seconds(args[i + 1]) > 0) {
      (name == u"timeout" ? o.timeout : name == u"wait" ? o.wait : o.deadline) = std::chrono::seconds(Seconds(args[++i]));
    } else if (name == u"timeout" || name == u"wait" || name == u"deadline") {
      refuse(args[i] + u" needs a number of seconds from 1 to 86400.");
    } else {
      refuse(u"Unknown switch: " + args[i]);
    }
  }
  // Without an application a run would have nothing to do; a hidden
  // window waiting for no one would hold the one-run lock for ever.
  const bool plainOrUsage = args.empty() || (o.usage && args.size() == 1);
  if (o.mode != Mode::Install && o.presses.empty()) {
    refuse(std::u16string(o.mode == Mode::Uninstall ? u"/uninstall needs the applications to take the add-in out of: "
                          : o.mode == Mode::Check ? u"/check needs the applications to check: "
                                                  : u"/repair needs the applications to repair: ") +
           Switches() + u".");
  } else if (o.presses.empty() && !plainOrUsage && !swallowed) {
    refuse(u"No application to set up: name one or more of " + Switches() +
           u" (without switches the program opens its window).");
  }
  return o;
}

std::u16string_view Usage() { return kUsage.data(); }

}  // namespace tbo::app
