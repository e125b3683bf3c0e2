// What the installers decide for themselves, apart from the calls they make
// (those are played end to end): backup names, and loops that must end.
#include <gtest/gtest.h>

#include <algorithm>

#include "automation/backup.h"
#include "automation/text.h"
#include "fakes/fakes.h"
#include "installers/applications.h"
#include "installers/presses.h"

namespace {

TEST(Text, OnlyFoldersThatNameThemselvesAreAbsolute) {
  for (const auto* path : {u"C:\\", u"c:\\Users\\An\\XLSTART", u"\\\\server\\share\\XLSTART"}) {
    EXPECT_TRUE(tbo::IsAbsoluteFolder(path)) << fake::Ascii(path);
  }
  for (const auto* path : {u"", u"C:", u"C:Excel", u"\\Users\\An", u"Excel\\XLSTART", u"\\\\", u"\\\\\\x", u"1:\\"}) {
    EXPECT_FALSE(tbo::IsAbsoluteFolder(path)) << fake::Ascii(path);
  }
}

TEST(Backup, TakesTheFirstFreeNameAndNeverReplacesAnEarlierBackup) {
  EXPECT_EQ(tbo::BackupName(u"C:\\T\\Normal.dot", 12), u"C:\\T\\Normal.dot.backup-12");
  fake::Files files;
  files.names = {u"C:\\T\\Normal.dot", u"C:\\T\\Normal.dot.backup-1"};
  EXPECT_EQ(tbo::MoveToBackup(files, u"C:\\T\\Normal.dot"), u"C:\\T\\Normal.dot.backup-2");
  EXPECT_EQ(files.names, (std::set<std::u16string>{u"C:\\T\\Normal.dot.backup-1", u"C:\\T\\Normal.dot.backup-2"}));
}

TEST(Backup, AFolderWhereEveryNameIsTakenEndsTheSearch) {
  fake::Files files;
  files.names = {u"a.pcb"};
  for (int n = 1; n <= 1000; ++n) files.names.insert(tbo::BackupName(u"a.pcb", n));
  EXPECT_EQ(tbo::ErrorOf([&] { tbo::MoveToBackup(files, u"a.pcb"); }), tbo::kAlreadyExists);
  EXPECT_TRUE(files.names.count(u"a.pcb"));
}

TEST(Backup, AFileStillHeldIsAskedForAgainForAFewSecondsThenLeftAsItIs) {
  for (const int refusals : {3, 1000}) {
    fake::Files files;
    fake::Events events;
    files.names = {u"N.dot"};
    files.movesRefused = refusals;
    const tbo::ErrorNumber error = tbo::ErrorOf([&] {
      tbo::MoveToBackupOnceFree(files, events, events, u"N.dot", std::chrono::milliseconds(5000));
    });
    const bool freed = refusals == 3;
    EXPECT_EQ(error, freed ? tbo::kNoError : tbo::kSharingViolation);
    EXPECT_EQ(files.names, std::set<std::u16string>{freed ? u"N.dot.backup-1" : u"N.dot"});
    EXPECT_EQ(events.now.count(), freed ? 300 : 5000) << "waits between tries, bounded";
    EXPECT_EQ(events.yields, freed ? 3 : 50);
  }
}

// A continuation of the command-bar file search that fails counts as the
// end of the files, not as the last name found again.
TEST(PowerPointRemoval, AFailingSearchContinuationEndsTheCommandBarFileLoop) {
  fake::Platform p;
  auto excel = p.NewObject("excel");
  excel->properties["StartupPath"] = tbo::Value(u"C:\\U\\Excel\\XLSTART");
  p.automation.creatable[u"Excel.Application"] = excel;
  p.files.names = {u"C:\\U\\PowerPoint\\a.pcb"};
  p.files.found[u"C:\\U\\PowerPoint\\*.pcb"] = {u"a.pcb"};
  p.files.nextFails = tbo::kFail;
  tbo::SharedStrings shared;
  tbo::PressContext press(p.services(), tbo::StepObserver::None(), shared, &tbo::IsMissingItem);
  tbo::MTBO::RemoveOldPowerPointAddIn(press);
  EXPECT_EQ(p.files.names, std::set<std::u16string>{u"C:\\U\\PowerPoint\\a.pcb.backup-1"});
}

// Excel's wait for the add-in to read off: an Excel that never does must
// not hold the press for ever with the window's buttons grey, so the wait
// ends at its bound, sleeping between passes, and the add-in is switched on
// all the same; a read-back that fails (no such add-in) ends it at once.
TEST(ExcelInstallation, TheWaitForTheAddInToReadOffEnds) {
  struct StaysOn final : fake::Object {
    using fake::Object::Object;
    void Put(std::u16string_view member, const std::vector<tbo::Value>& args, const tbo::Value& value) override {
      fake::Object::Put(member, args, value);
      properties["Installed"] = tbo::Value(true);
    }
  };
  for (const bool listed : {true, false}) {
    fake::Platform p;
    auto excel = p.NewObject("excel");
    auto addIns = std::make_shared<StaysOn>("addin", p.journal);
    if (listed) excel->properties["AddIns"] = tbo::Value(tbo::Ref(addIns));
    p.automation.creatable[u"Excel.Application"] = excel;
    tbo::SharedStrings shared;
    tbo::PressContext press(p.services(), tbo::StepObserver::None(), shared, &tbo::IsMissingItem);
    tbo::MTBO::InstallExcelAddIn(press);
    EXPECT_EQ(p.events.now, std::chrono::seconds(listed ? 30 : 0));
    const auto puts = std::count(p.journal->begin(), p.journal->end(), "addin put Installed");
    EXPECT_EQ(puts, listed ? 301 + 1 : 0) << "a pass each 100 ms from 0 to 30 s, then switched on";
    EXPECT_EQ(p.journal->back(), "excel call Quit");
  }
}

// What an unattended press does where it meets the user's own application:
// it judges every instance it obtains, and again before it quits one; the
// user's is let go of untouched and the press ends there. A person's press
// quits what it reaches, as it always has.
struct Judgement : ::testing::Test {
  fake::Platform p;
  fake::Lines lines;
  tbo::RunLog log{lines, p.events};
  tbo::OfficePresses presses{p.services(), log};
  std::shared_ptr<fake::Object> Running(const char* name, const char16_t* progId, const char* openFiles, int open,
                                        bool visible) {
    auto app = p.NewObject(name), files = p.NewObject(std::string(name) + " files");
    files->properties["Count"] = tbo::Value::I4(open);
    app->properties[openFiles] = tbo::Value(tbo::Ref(files));
    app->properties["Visible"] = tbo::Value(visible);
    p.automation.running[progId] = app;
    return app;
  }
  bool Journalled(const std::string& line) const {
    return std::find(p.journal->begin(), p.journal->end(), line) != p.journal->end();
  }
};

TEST_F(Judgement, ThePowerPointPressMeetsTheUsersExcel) {
  Running("excel", u"Excel.Application", "Workbooks", 0, true);
  const tbo::PressOutcome outcome = presses.Press(tbo::kPowerPoint, tbo::Mode::Install, tbo::PressedBy::UnattendedRun);
  EXPECT_EQ(outcome.leftToTheUser, u"Excel is open (on screen)");
  EXPECT_FALSE(Journalled("excel get StartupPath"));
  EXPECT_FALSE(Journalled("excel call Quit"));
  EXPECT_FALSE(Journalled("attach Powerpoint.Application")) << "the press ends there";

  p.journal->clear();
  presses.Press(tbo::kPowerPoint, tbo::Mode::Install, tbo::PressedBy::Person);
  EXPECT_TRUE(Journalled("excel call Quit")) << "a person's press is as described";
  p.journal->clear();
  presses.Press(tbo::kPowerPoint, tbo::Mode::Install, tbo::PressedBy::UnattendedRunClosingApps);
  EXPECT_TRUE(Journalled("excel call Quit")) << "/closeapps";
}

TEST_F(Judgement, TakingOutMeetsTheUsersPowerPointAndLeavesWordUntouchedAnyway) {
  auto addIns = p.NewObject("addins");
  Running("powerpoint", u"Powerpoint.Application", "Presentations", 1, false)->properties["AddIns"] =
      tbo::Value(tbo::Ref(addIns));
  EXPECT_EQ(presses.Press(tbo::kPowerPoint, tbo::Mode::Uninstall, tbo::PressedBy::UnattendedRun).leftToTheUser,
            u"PowerPoint is open (1 presentation)");
  EXPECT_FALSE(Journalled("powerpoint get AddIns"));

  // Taking out of Word only reads from the running Word: not the user's to
  // fear, and never quit.
  auto normal = p.NewObject("normal");
  normal->properties["FullName"] = tbo::Value(u"C:\\T\\Normal.dotm");
  Running("word", u"Word.Application", "Documents", 2, true)->properties["NormalTemplate"] =
      tbo::Value(tbo::Ref(normal));
  EXPECT_EQ(presses.Press(tbo::kWord, tbo::Mode::Uninstall, tbo::PressedBy::UnattendedRun).leftToTheUser, u"");
  EXPECT_TRUE(Journalled("normal get FullName"));
  EXPECT_FALSE(Journalled("word call Quit"));
}

// The user opens a workbook in the Excel the press started, between the
// press's start and its Quit.
TEST_F(Judgement, EveryQuitIsPrecededByTheJudgement) {
  struct OpenedMeanwhile final : fake::Object {
    using fake::Object::Object;
    std::shared_ptr<fake::Object> workbooks;
    tbo::Value Get(std::u16string_view member, const std::vector<tbo::Value>& args) override {
      if (member == u"StartupPath") workbooks->properties["Count"] = tbo::Value::I4(1);
      return fake::Object::Get(member, args);
    }
  };
  auto excel = std::make_shared<OpenedMeanwhile>("excel", p.journal);
  excel->workbooks = p.NewObject("workbooks");
  excel->workbooks->properties["Count"] = tbo::Value::I4(0);
  excel->properties["Workbooks"] = tbo::Value(tbo::Ref(excel->workbooks));
  excel->properties["Visible"] = tbo::Value(false);
  excel->properties["StartupPath"] = tbo::Value(u"C:\\U\\Excel\\XLSTART");
  p.automation.creatable[u"Excel.Application"] = excel;
  EXPECT_EQ(presses.Press(tbo::kExcel, tbo::Mode::Install, tbo::PressedBy::UnattendedRun).leftToTheUser,
            u"Excel is open (1 workbook)");
  EXPECT_TRUE(Journalled("excel get StartupPath"));
  EXPECT_FALSE(Journalled("excel call Quit"));
}

}  // namespace
