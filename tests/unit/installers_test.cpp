// What the installers decide for themselves, apart from the calls they make
// (those are played end to end): backup names, and loops that must end.
#include <gtest/gtest.h>

#include "automation/backup.h"
#include "error_of.h"
#include "fakes/fakes.h"
#include "installers/mtbo.h"

namespace {

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
  EXPECT_EQ(ErrorOf([&] { tbo::MoveToBackup(files, u"a.pcb"); }), tbo::kAlreadyExists);
  EXPECT_TRUE(files.names.count(u"a.pcb"));
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
  tbo::MTBO(p.services()).RemoveOldPowerPointAddIn();
  EXPECT_EQ(p.files.names, std::set<std::u16string>{u"C:\\U\\PowerPoint\\a.pcb.backup-1"});
}

}  // namespace
