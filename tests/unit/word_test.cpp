// The Word template installer against a scripted Word and an in-memory disk.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "installers/mtbo.h"

namespace {

using fake::FakeFileSystem;
using fake::FakeObject;
using Lines = std::vector<std::string>;
using tbo::Value;

constexpr tbo::ErrorNumber kWordError = tbo::ErrorFromCode(0x800A1066);

class WordTest : public ::testing::Test {
 protected:
  fake::FakePlatform p;
  tbo::MTBO mtbo{p.services()};
  std::shared_ptr<FakeObject> word = p.Object("word");
  std::shared_ptr<FakeObject> templates = p.Object("templates");
  std::shared_ptr<FakeObject> documents = p.Object("documents");
  std::vector<std::shared_ptr<FakeObject>> items;

  void SetUp() override {
    word->OnGet("Templates", [this](auto&) { return Value(tbo::Ref(templates)); });
    word->OnGet("Documents", [this](auto&) { return Value(tbo::Ref(documents)); });
    word->OnCall("Quit", [](auto&, auto&) { return Value(); });
    word->SetProperty("Visible", false);
    documents->OnCall("Open", [](auto&, auto&) { return Value(); });
    p.automation.SetFactory(u"Word.Application", [this] { return word; });
  }
  void Templates(std::initializer_list<const char16_t*> fullNames) {
    std::vector<Value> refs;
    for (auto name : fullNames) {
      auto t = p.Object("template" + std::to_string(items.size() + 1));
      t->SetProperty("FullName", name);
      items.push_back(t);
      refs.push_back(tbo::Ref(t));
    }
    templates->SetItems(refs);
  }
  void Press() {
    mtbo.RemoveOldWordTemplates();
    mtbo.InstallWordTemplate();
  }
};

TEST_F(WordTest, FullPressJournal) {
  Templates({u"C:\\Users\\An\\Templates\\Normal.dot", u"C:\\Office\\Startup\\tbadd.dot"});
  p.files.AddFile(u"C:\\Users\\An\\Templates\\Normal.dot");
  p.files.AddFile(u"C:\\Office\\Startup\\tbadd.dot");
  p.files.AddFile(u"C:\\Tambrel\\Tambrel_O21.dot");
  Press();
  EXPECT_EQ(p.journal->lines, (Lines{
      "attach Word.Application -> 0x800401E3",
      "create Word.Application",
      "get word.Templates",
      "each templates",
      "get template1.FullName",
      "get template1.FullName",
      "get template1.FullName",
      "get template2.FullName",
      "get template2.FullName",
      "get template2.FullName",
      "call word.Quit()",
      "yield",
      "move C:\\Users\\An\\Templates\\Normal.dot to C:\\Users\\An\\Templates\\Normal.dot.backup-1",
      "find C:\\Office\\Startup\\tbadd.dot",
      "normal C:\\Office\\Startup\\tbadd.dot",
      "delete C:\\Office\\Startup\\tbadd.dot",
      "find C:\\Tambrel\\tbadd.dot",
      "attach Word.Application -> 0x800401E3",
      "create Word.Application",
      "find C:\\TamBrel\\Tambrel_O21.dot",
      "get word.Documents",
      "call documents.Open(FileName:=\"C:\\TamBrel\\Tambrel_O21.dot\")",
      "put word.Visible = True",
  }));
}

TEST_F(WordTest, GlobalTemplateIsBackedUpBesideItNeverOverAnEarlierBackup) {
  Templates({u"C:\\T\\Normal.dotm"});
  p.files.AddFile(u"C:\\T\\Normal.dotm", 0, "user macros");
  p.files.AddFile(u"C:\\T\\Normal.dotm.backup-1", 0, "an earlier backup");
  mtbo.RemoveOldWordTemplates();
  EXPECT_FALSE(p.files.Exists(u"C:\\T\\Normal.dotm")) << "Word makes a fresh one";
  EXPECT_EQ(p.files.Content(u"C:\\T\\Normal.dotm.backup-1"), "an earlier backup");
  EXPECT_EQ(p.files.Content(u"C:\\T\\Normal.dotm.backup-2"), "user macros");
}

TEST_F(WordTest, UnreadableFullNameKeepsThePreviousMatch) {
  Templates({u"C:\\a\\tbadd.dot", u"C:\\b\\other.dot"});
  items[1]->FailNext("FullName", kWordError, 99);
  p.files.AddFile(u"C:\\a\\tbadd.dot");
  mtbo.RemoveOldWordTemplates();
  EXPECT_FALSE(p.files.Exists(u"C:\\a\\tbadd.dot"));
}

TEST_F(WordTest, InstallationWithoutTheTemplateOrWithOpenRejectedStillShowsWord) {
  documents->FailNext("Open", kWordError);
  p.files.AddFile(u"C:\\Tambrel\\Tambrel_O21.dot");
  mtbo.InstallWordTemplate();
  EXPECT_EQ(word->Property("Visible"), Value(true));

  p.journal->lines.clear();
  word->SetProperty("Visible", false);
  p.files.Delete(u"C:\\Tambrel\\Tambrel_O21.dot");
  mtbo.InstallWordTemplate();
  EXPECT_EQ(word->Property("Visible"), Value(true));
  for (const std::string& line : p.journal->lines) {
    EXPECT_EQ(line.find("Open"), std::string::npos) << line;
    EXPECT_EQ(line.find("Quit"), std::string::npos) << line;
  }
}

}  // namespace
