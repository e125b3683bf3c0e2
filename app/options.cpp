#include "app/options.h"

#include <algorithm>

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
  return name == u"word" || name == u"excel" || name == u"powerpoint" || name == u"quiet" || name == u"uninstall";
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
    if (name == u"word") {
      o.presses.push_back(Press::Word);
    } else if (name == u"excel") {
      o.presses.push_back(Press::Excel);
    } else if (name == u"powerpoint") {
      o.presses.push_back(Press::PowerPoint);
    } else if (name == u"quiet") {
      o.quiet = true;
    } else if (name == u"force") {
      o.force = true;
    } else if (name == u"uninstall") {
      o.uninstall = true;
    } else if (name == u"?") {
      o.usage = true;
    } else if (name == u"log" && hasValue) {
      o.logPath = args[++i];
    } else if (name == u"log") {
      refuse(u"/log needs the name of a file.");
    } else if ((name == u"timeout" || name == u"wait") && hasValue && Seconds(args[i + 1]) > 0) {
      (name == u"timeout" ? o.timeout : o.wait) = std::chrono::seconds(Seconds(args[++i]));
    } else if (name == u"timeout" || name == u"wait") {
      refuse(args[i] + u" needs a number of seconds from 1 to 86400.");
    } else {
      refuse(u"Unknown switch: " + args[i]);
    }
  }
  // Without an application a run would have nothing to do; a hidden
  // window waiting for no one would hold the one-run lock for ever.
  const bool plainOrUsage = args.empty() || (o.usage && args.size() == 1);
  if (o.uninstall && o.presses.empty()) {
    refuse(u"/uninstall needs the applications to take the add-in out of: /word, /powerpoint, /excel.");
  } else if (o.presses.empty() && !plainOrUsage && !swallowed) {
    refuse(u"No application to set up: name one or more of /word, /powerpoint, /excel (without switches the "
           u"program opens its window).");
  }
  return o;
}

}  // namespace tbo::app
