// The command line, as administrators write it in logon scripts.
#include "app/options.h"

#include <gtest/gtest.h>

namespace {

using tbo::Press;

TEST(Options, SwitchesAndTheirMistakes) {
  struct Case {
    std::vector<std::u16string> args;
    std::vector<Press> presses;
    std::u16string log;
    bool usage;
    std::u16string error;
  };
  const Case cases[] = {
      {{}, {}, u"", false, u""},
      {{u"/EXCEL", u"-word", u"/PowerPoint", u"/excel"}, {Press::Excel, Press::Word, Press::PowerPoint, Press::Excel},
       u"", false, u""},
      {{u"/log", u"C:\\Logs\\tbo setup.log", u"/word"}, {Press::Word}, u"C:\\Logs\\tbo setup.log", false, u""},
      {{u"-?"}, {}, u"", true, u""},
      {{u"/word", u"/quiet"}, {Press::Word}, u"", false, u"Unknown switch: /quiet"},
      {{u"word"}, {}, u"", false, u"Unknown switch: word"},
      {{u"/log"}, {}, u"", false, u"/log needs the name of a file."},
      {{u"/log", u"/word"}, {}, u"", false, u"/log needs the name of a file."},
  };
  for (const Case& c : cases) {
    const tbo::app::Options o = tbo::app::ParseOptions(c.args);
    EXPECT_EQ(o.presses, c.presses);
    EXPECT_EQ(o.logPath, c.log);
    EXPECT_EQ(o.usage, c.usage);
    EXPECT_EQ(o.error, c.error);
  }
}

}  // namespace
