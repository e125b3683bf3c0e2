// The command line, as administrators write it in logon scripts and
// management tools, mistakes included.
#include "app/options.h"

#include <gtest/gtest.h>

namespace {

constexpr const tbo::Application* Word = &tbo::kWord;
constexpr const tbo::Application* Excel = &tbo::kExcel;
constexpr const tbo::Application* PowerPoint = &tbo::kPowerPoint;

// "/word, /powerpoint, /excel": every application the table lists.
std::u16string Switches() {
  std::u16string list;
  for (const tbo::Application* a : tbo::kApplications) list += (list.empty() ? u"/" : u", /") + std::u16string(a->switchName);
  return list;
}

// The arguments as one line, to name a case.
std::string Line(const std::vector<std::u16string>& args) {
  std::string line;
  for (const std::u16string& a : args) line += (line.empty() ? "" : " ") + std::string(a.begin(), a.end());
  return line;
}

const std::u16string kNoApplication =
    u"No application to set up: name one or more of " + Switches() + u" (without switches the program opens its window).";

TEST(Options, SwitchesAndTheirMistakes) {
  struct Case {
    std::vector<std::u16string> args;
    std::vector<const tbo::Application*> presses;
    std::u16string log;
    bool unattended;
    std::u16string error;
  };
  const Case cases[] = {
      {{}, {}, u"", false, u""},
      {{u"-?"}, {}, u"", false, u""},
      {{u"/EXCEL", u"-word", u"/PowerPoint", u"/excel"}, {Excel, Word, PowerPoint, Excel},
       u"", true, u""},
      {{u"/log", u"C:\\Logs\\tbo setup.log", u"/word"}, {Word}, u"C:\\Logs\\tbo setup.log", true, u""},
      // Switches without an application would leave a hidden window
      // waiting for no one; /? alone is the only other start.
      {{u"/Quiet"}, {}, u"", true, kNoApplication},
      {{u"/force"}, {}, u"", false, kNoApplication},
      {{u"/log", u"C:\\x.log"}, {}, u"C:\\x.log", false, kNoApplication},
      {{u"/timeout", u"5", u"/wait", u"9"}, {}, u"", false, kNoApplication},
      {{u"/?", u"/force"}, {}, u"", false, kNoApplication},
      {{u"/word", u"/quiet", u"/?"}, {Word}, u"", true, u""},
      {{u"/uninstall"}, {}, u"", true, u"/uninstall needs the applications to take the add-in out of: " + Switches() + u"."},
      {{u"/check"}, {}, u"", true, u"/check needs the applications to check: " + Switches() + u"."},
      {{u"/check", u"/excel", u"/repair"}, {Excel}, u"", true, u"Only one of /uninstall, /check and /repair at a time."},
      {{u"word"}, {}, u"", false, u"Unknown switch: word"},
      {{u"/log"}, {}, u"", false, u"/log needs the name of a file."},
      {{u"/log", u"/word"}, {Word}, u"", true, u"/log needs the name of a file."},
      // The first mistake is reported; the log after it is still read.
      {{u"/wrod", u"/timeout", u"0", u"/log", u"C:\\x.log"}, {}, u"C:\\x.log", false, u"Unknown switch: /wrod"},
      {{u"/timeout", u"soon", u"/excel"}, {Excel}, u"", true,
       u"/timeout needs a number of seconds from 1 to 86400."},
      {{u"/excel", u"/wait"}, {Excel}, u"", true, u"/wait needs a number of seconds from 1 to 86400."},
      // `/log "C:\Logs\" /word`: the backslash escapes the closing quote and
      // /word ends up inside the log's name; the run is still unattended.
      {{u"/log", u"C:\\Logs\" /word"}, {}, u"C:\\Logs\" /word", true, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Line(c.args));
    const tbo::app::Options o = tbo::app::ParseOptions(c.args);
    EXPECT_EQ(o.presses, c.presses);
    EXPECT_EQ(o.logPath, c.log);
    EXPECT_EQ(o.unattended, c.unattended);
    EXPECT_EQ(o.error, c.error);
  }
  const tbo::app::Options limits =
      tbo::app::ParseOptions({u"/TIMEOUT", u"5", u"-wait", u"86400", u"/Deadline", u"90", u"/NextLogon", u"/word"});
  EXPECT_EQ(limits.timeout.count(), 5);
  EXPECT_EQ(limits.wait.count(), 86400);
  EXPECT_EQ(limits.deadline.count(), 90);
  EXPECT_TRUE(limits.nextLogon);
  const tbo::app::Options defaults = tbo::app::ParseOptions({u"/word"});
  EXPECT_EQ(defaults.timeout.count(), 60) << "the default limit";
  EXPECT_EQ(defaults.deadline.count(), 0) << "no deadline";
  EXPECT_FALSE(defaults.nextLogon);
  EXPECT_EQ(tbo::app::ParseOptions({u"-CHECK", u"/word"}).mode, tbo::Mode::Check);
  EXPECT_EQ(tbo::app::ParseOptions({u"/repair", u"/word"}).mode, tbo::Mode::Repair);
  EXPECT_EQ(tbo::app::ParseOptions({u"/word", u"/deadline", u"0"}).error,
            u"/deadline needs a number of seconds from 1 to 86400.");
}

}  // namespace
