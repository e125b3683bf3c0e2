// The Excel add-in installer against a scripted Excel and an in-memory disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_platform.h"
#include "installers/mtbo.h"

namespace {

using fake::FakeFileSystem;
using fake::FakeObject;
using Lines = std::vector<std::string>;
using tbo::Value;

constexpr tbo::ErrorNumber kBadIndex = tbo::ErrorFromCode(0x8002000B);

class ExcelTest : public ::testing::Test {
 protected:
  fake::FakePlatform p;
  tbo::MTBO mtbo{p.services()};
  std::shared_ptr<FakeObject> excel = p.Object("excel");
  std::shared_ptr<FakeObject> addins = p.Object("addins");
  std::shared_ptr<FakeObject> addin;  // "Tambrel_O21" once listed
  int staysTrue = 0;                  // read-backs that still give True after a put of False

  void SetUp() override {
    excel->SetProperty("StartupPath", u"C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART");
    excel->SetProperty("Path", u"C:\\Program Files\\Microsoft Office\\Office");
    excel->OnCall("Quit", [](auto&, auto&) { return Value(); });
    excel->OnGet("AddIns", [this](const std::vector<Value>& args) {
      if (args.empty()) return Value(tbo::Ref(addins));
      if (!addin || args[0] != Value(u"Tambrel_O21")) tbo::Fail(kBadIndex);
      return Value(tbo::Ref(addin));
    });
    addins->OnCall("Add", [this](const std::vector<Value>& args, auto&) {
      if (args.size() != 1) tbo::Fail(tbo::kBadParamCount);
      if (!addin) List(false);
      return Value(tbo::Ref(addin));
    });
    p.automation.SetFactory(u"Excel.Application", [this] { return excel; });
    p.files.AddFile(u"C:\\TamBrel\\Tambrel_O21.xla");
  }
  void List(bool installed) {
    addin = p.Object("addin");
    addin->SetProperty("Installed", installed);
    addin->OnGet("Installed", [this](auto&) {
      if (staysTrue > 0) return --staysTrue, Value(true);
      return addin->Property("Installed");
    });
  }
  void Press() {
    mtbo.RemoveOldExcelAddIn();
    mtbo.InstallExcelAddIn();
  }
  long Count(const std::string& line) const {
    return std::count(p.journal->lines.begin(), p.journal->lines.end(), line);
  }
  bool Journaled(const std::string& prefix) const {
    return std::any_of(p.journal->lines.begin(), p.journal->lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }
};

TEST_F(ExcelTest, FullPressJournal) {
  p.files.AddFile(u"C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART\\tbadd.xla");
  Press();
  EXPECT_EQ(p.journal->lines, (Lines{
      "attach Excel.Application -> 0x800401E3",
      "create Excel.Application",
      "get excel.StartupPath",
      "call excel.Quit()",
      "yield",
      "find C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART\\tbadd.xla",
      "normal C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART\\tbadd.xla",
      "delete C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART\\tbadd.xla",
      "find C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\tbadd.xls",
      "find C:\\Tambrel\\tbadd.xla",
      "attach Excel.Application -> 0x800401E3",
      "create Excel.Application",
      "get excel.AddIns",
      "call addins.Add(\"C:\\Tambrel\\Tambrel_O21.xla\")",
      "get excel.AddIns(\"Tambrel_O21\")",
      "put addin.Installed = False",
      "yield",
      "get excel.AddIns(\"Tambrel_O21\")",
      "get addin.Installed",
      "yield",
      "yield",
      "get excel.Path",
      "find C:\\TamBrel\\Tambrel_O21.xla",
      "start [C:\\Program Files\\Microsoft Office\\Office\\EXCEL.EXE] "
      "C:\\Program Files\\Microsoft Office\\Office\\EXCEL.EXE  C:\\TamBrel\\Tambrel_O21.xla",
      "yield",
      "yield",
      "get excel.AddIns(\"Tambrel_O21\")",
      "put addin.Installed = True",
      "yield",
      "call excel.Quit()",
  }));
  EXPECT_EQ(addin.use_count(), 1) << "no add-in object is held after the operation";
}

TEST_F(ExcelTest, ExcelNotInstalledTouchesOnlyTheProductFolder) {
  p.automation = fake::FakeAutomation(p.journal);
  mtbo.appFolder = u"C:\\Program Files\\Microsoft Office\\Office";  // left by an earlier press
  p.files.AddFile(u"C:\\Program Files\\Microsoft Office\\Officetbadd.xls");
  p.files.AddFile(u"C:\\Tambrel\\tbadd.xla", FakeFileSystem::kReadOnly);
  Press();
  EXPECT_FALSE(p.files.Exists(u"C:\\Tambrel\\tbadd.xla"));
  EXPECT_TRUE(p.files.Exists(u"C:\\Program Files\\Microsoft Office\\Officetbadd.xls"));
  EXPECT_FALSE(Journaled("find C:\\Program Files")) << "no search relative to a stale folder";
  EXPECT_FALSE(Journaled("start")) << "no program started from a stale folder";
}

TEST_F(ExcelTest, InstalledReadingTrueRepeatsThePassYieldingAndSleepingEachTime) {
  staysTrue = 3;
  mtbo.InstallExcelAddIn();
  EXPECT_EQ(Count("put addin.Installed = False"), 4);
  EXPECT_EQ(Count("wait 100"), 3) << "sleeps between passes, never spins";
  EXPECT_EQ(Count("yield"), 4 + 5) << "one per pass, five outside the loop";
}

TEST_F(ExcelTest, InstalledStuckAtTrueEndsAtTheBoundAndTheRunCompletes) {
  staysTrue = 1 << 30;
  mtbo.InstallExcelAddIn();
  EXPECT_EQ(Count("wait 100"), 300) << "30 s in passes of 100 ms";
  EXPECT_EQ(p.journal->lines.back(), "call excel.Quit()");
  EXPECT_EQ(Count("put addin.Installed = True"), 1);
}

TEST_F(ExcelTest, YieldsFiveTimesOutsideTheLoopTheLastBeforeQuit) {
  List(false);
  mtbo.InstallExcelAddIn();
  const auto& l = p.journal->lines;
  EXPECT_EQ(Count("yield"), 1 + 5);
  EXPECT_EQ(l[l.size() - 2], "yield");
  EXPECT_EQ(l[l.size() - 1], "call excel.Quit()");
}

}  // namespace
