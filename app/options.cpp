#include "app/options.h"

namespace tbo::app {
namespace {

std::u16string Folded(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

}  // namespace

Options ParseOptions(const std::vector<std::u16string>& args) {
  Options o;
  for (size_t i = 0; i < args.size() && o.error.empty(); ++i) {
    const std::u16string& arg = args[i];
    const std::u16string name = arg.size() > 1 && (arg[0] == u'/' || arg[0] == u'-') ? Folded(arg.substr(1)) : u"";
    if (name == u"word") {
      o.presses.push_back(Press::Word);
    } else if (name == u"excel") {
      o.presses.push_back(Press::Excel);
    } else if (name == u"powerpoint") {
      o.presses.push_back(Press::PowerPoint);
    } else if (name == u"?") {
      o.usage = true;
    } else if (name == u"log" && i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != u'/') {
      o.logPath = args[++i];
    } else if (name == u"log") {
      o.error = u"/log needs the name of a file.";
    } else {
      o.error = u"Unknown switch: " + arg;
    }
  }
  return o;
}

}  // namespace tbo::app
