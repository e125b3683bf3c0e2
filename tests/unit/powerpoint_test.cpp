// The PowerPoint toolbar and menu builder and the PowerPoint installer
// against a scripted PowerPoint and Excel.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_powerpoint.h"
#include "installers/mtbo.h"

namespace {

using fake::FakeFileSystem;
using fake::FakeObject;
using Lines = std::vector<std::string>;
using tbo::Value;


const Lines kMenuBarWithMenu = {
    "Menu Bar",
    "  [group] Tamb&rel Tools |  | 0 | ",
    "    &Kiem tra chinh ta tieng Viet... | RERured | 2566 | ",
    "    Chuyen chu hoa | tbchangeCaseU | 252 | Alt+U",
    "    Chuyen chu thuong | tbchangeCaseL | 252 | Alt+L",
    "    [group] &Chuyen ma/font van ban...  | tbConvert | 13 | ",
    "    [group] Tambrel &Panel...  | Tambrel | 2892 | ",
    "    Huong dan su dung | TambrelHelp | 1589 | ",
    "    Dong &Gop y kien... | tambrelweb | 1589 | ",
    "    http://www.tambrel.vn | tambrelweb | 3021 | ",
};
const Lines kToolbar = {
    "Tambrel Tools visible",
    "  &Kiem tra chinh ta tieng Viet... | RERured | 2566 | ",
    "  Chuyen chu hoa | tbchangeCaseU | 252 | Alt+U",
    "  Chuyen chu thuong | tbchangeCaseL | 252 | Alt+L",
    "  [group] &Chuyen ma/font van ban...  | tbConvert | 13 | ",
    "  [group] Tambrel &Panel...  | Tambrel | 2892 | ",
};

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class PowerPointTest : public ::testing::Test {
 protected:
  fake::FakePlatform p;
  fake::FakePowerPoint ppt{p};
  tbo::MTBO mtbo{p.services()};
  std::shared_ptr<FakeObject> excel = p.Object("excel");

  void SetUp() override {
    excel->SetProperty("StartupPath", u"C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART");
    excel->OnCall("Quit", [](auto&, auto&) { return Value(); });
    p.automation.SetFactory(u"Excel.Application", [this] { return excel; });
    p.automation.SetFactory(u"Powerpoint.Application", [this] { return ppt.app; });
    p.files.AddFile(u"C:\\Tambrel\\Tambrel_O21.ppa");
  }
  void Build() { mtbo.BuildTambrelMenus(tbo::Ref(ppt.app)); }
  long Count(const std::string& prefix) const {
    return std::count_if(p.journal->lines.begin(), p.journal->lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }
  // The journal lines that start with one of the prefixes, in order.
  Lines Only(std::initializer_list<std::string> prefixes) const {
    Lines out;
    for (const std::string& l : p.journal->lines) {
      for (const std::string& prefix : prefixes) {
        if (l.rfind(prefix, 0) == 0) {
          out.push_back(l);
          break;
        }
      }
    }
    return out;
  }
};

TEST_F(PowerPointTest, BuildsOneToolbarAndOneMenuAndASecondRunReplacesThem) {
  Build();
  EXPECT_EQ(ppt.Layout(), Join(kMenuBarWithMenu, kToolbar));
  Build();
  EXPECT_EQ(ppt.Layout(), Join(kMenuBarWithMenu, kToolbar))
      << "the menu is found again under its caption without the '&'";
}

TEST_F(PowerPointTest, RejectedFirstIconEndsEachStandardListAfterOneEntry) {
  ppt.rejectedFaceId = 2566;
  Build();
  EXPECT_EQ(ppt.Layout(), (Lines{
      "Menu Bar",
      "  [group] Tamb&rel Tools |  | 0 | ",
      "    &Kiem tra chinh ta tieng Viet... | RERured | 0 | ",
      "    Huong dan su dung | TambrelHelp | 1589 | ",
      "    Dong &Gop y kien... | tambrelweb | 1589 | ",
      "    http://www.tambrel.vn | tambrelweb | 3021 | ",
      "Tambrel Tools visible",
      "  &Kiem tra chinh ta tieng Viet... | RERured | 0 | ",
  }));
}

TEST_F(PowerPointTest, StandardEntriesCallJournal) {
  auto bar = ppt.AddBar(u"T", false);
  tbo::MTBO::AddStandardButtons(tbo::Ref(bar->object));
  const Lines expected = {
      "get bar(T).Controls",
      "call controls(T).Add()",
      "put control1.Caption = \"&Kiem tra chinh ta tieng Viet...\"",
      "put control1.OnAction = \"RERured\"",
      "put control1.FaceId = I2(2566)",
      "call controls(T).Add()",
      "put control2.Caption = \"Chuyen chu hoa\"",
      "put control2.OnAction = \"tbchangeCaseU\"",
      "put control2.FaceId = I2(252)",
      "put control2.ShortcutText = \"Alt+U\"",
      "call controls(T).Add()",
      "put control3.Caption = \"Chuyen chu thuong\"",
      "put control3.OnAction = \"tbchangeCaseL\"",
      "put control3.FaceId = I2(252)",
      "put control3.ShortcutText = \"Alt+L\"",
      "call controls(T).Add()",
      "put control4.BeginGroup = True",
      "put control4.Caption = \"&Chuyen ma/font van ban... \"",
      "put control4.OnAction = \"tbConvert\"",
      "put control4.FaceId = I2(13)",
      "call controls(T).Add()",
      "put control5.BeginGroup = True",
      "put control5.Caption = \"Tambrel &Panel... \"",
      "put control5.OnAction = \"Tambrel\"",
      "put control5.FaceId = I2(2892)",
  };
  EXPECT_EQ(p.journal->lines, expected);
}

TEST_F(PowerPointTest, RemovalRewritesTheFolderBacksUpCommandBarFilesAndUnloadsEveryAddIn) {
  const std::u16string ppFolder = u"C:\\Users\\An\\AppData\\Roaming\\Microsoft\\PowerPoint\\";
  p.files.AddFile(ppFolder + u"PowerPoint.pcb", 0, "user bars");
  p.files.AddFile(ppFolder + u"Other.PCB", FakeFileSystem::kReadOnly);
  p.files.AddFile(ppFolder + u"hidden.pcb", FakeFileSystem::kHidden);
  p.files.AddFile(u"C:\\Tambrel\\tbadd.ppa", FakeFileSystem::kReadOnly);
  for (auto f : {"C:\\x\\a.ppa", "C:\\Tambrel\\tbadd.ppa", "C:\\Other\\other.ppa"}) ppt.AddAddIn(f);
  mtbo.RemoveOldPowerPointAddIn();

  EXPECT_EQ(Count("find " + fake::Utf8(ppFolder) + "*.pcb"), 1);
  EXPECT_EQ(p.files.Content(ppFolder + u"PowerPoint.pcb.backup-1"), "user bars");
  EXPECT_TRUE(p.files.Exists(ppFolder + u"Other.PCB.backup-1"));
  EXPECT_TRUE(p.files.Exists(ppFolder + u"hidden.pcb"));
  EXPECT_FALSE(p.files.Exists(u"C:\\Tambrel\\tbadd.ppa"));
  EXPECT_EQ(Only({"move", "yield", "create", "attach", "get ppt.AddIns(", "put addin", "call"}), (Lines{
      "attach Excel.Application -> 0x800401E3",
      "create Excel.Application",
      "call excel.Quit()",
      "yield",
      "move " + fake::Utf8(ppFolder) + "Other.PCB to " + fake::Utf8(ppFolder) + "Other.PCB.backup-1",
      "yield",
      "move " + fake::Utf8(ppFolder) + "PowerPoint.pcb to " + fake::Utf8(ppFolder) + "PowerPoint.pcb.backup-1",
      "yield",
      "attach Powerpoint.Application -> 0x800401E3",
      "create Powerpoint.Application",
      "get ppt.AddIns(I2(1))", "put addin1.Loaded = False",
      "get ppt.AddIns(I2(1))", "put addin1.Registered = False",
      "get ppt.AddIns(I2(2))", "put addin2.Loaded = False",
      "get ppt.AddIns(I2(2))", "put addin2.Registered = False",
      "get ppt.AddIns(I2(3))", "put addin3.Loaded = False",
      "get ppt.AddIns(I2(3))", "put addin3.Registered = False",
      "call ppt.Quit()",
  }));
}

TEST_F(PowerPointTest, AnExcelThatWasNotRunningMakesTheRemovalCreatePowerPointEvenIfOneRuns) {
  p.automation.SetRunning(u"Powerpoint.Application", ppt.app);
  mtbo.RemoveOldPowerPointAddIn();
  EXPECT_EQ(Count("create Powerpoint.Application"), 1);
  EXPECT_EQ(Count("attach Powerpoint.Application"), 1);
}

TEST_F(PowerPointTest, NoAddInsOrAnUnfittingCountQuitWithoutAddInCalls) {
  mtbo.RemoveOldPowerPointAddIn();
  EXPECT_EQ(Count("put addin"), 0);
  EXPECT_EQ(Count("call ppt.Quit()"), 1);

  p.journal->lines.clear();
  ppt.addIns.resize(40000, ppt.AddAddIn("x"));  // more than a 16-bit index can reach
  mtbo.RemoveOldPowerPointAddIn();
  EXPECT_EQ(Count("get ppt.AddIns("), 0);
  EXPECT_EQ(Count("call ppt.Quit()"), 1);
}

TEST_F(PowerPointTest, FailingSearchContinuationEndsTheLoop) {
  p.files.AddFile(u"C:\\Users\\An\\AppData\\Roaming\\Microsoft\\PowerPoint\\a.pcb");
  p.files.AddFile(u"C:\\Users\\An\\AppData\\Roaming\\Microsoft\\PowerPoint\\b.pcb");
  p.files.failFindNext = tbo::kAccessDenied;
  mtbo.RemoveOldPowerPointAddIn();
  EXPECT_EQ(Count("move"), 1);
  EXPECT_EQ(Count("call ppt.Quit()"), 1);
}

}  // namespace
