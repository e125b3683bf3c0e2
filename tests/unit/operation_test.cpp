// Reaching and letting go of an application, and removing a file, as the
// installers use them: expected call journals as tables.
#include "automation/operation.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace {

using Lines = std::vector<std::string>;
using fake::FakeFileSystem;
using tbo::Clear;
using tbo::Ref;
using tbo::ReleaseForm;

constexpr tbo::ErrorNumber kE1 = tbo::ErrorFromCode(0x800A03EC);

class OperationTest : public ::testing::Test {
 protected:
  fake::FakePlatform p;
  tbo::Operation op{p.services()};
  std::shared_ptr<fake::FakeObject> running = p.Object("running");
  std::shared_ptr<fake::FakeObject> created = p.Object("created");

  void Installed() {
    p.automation.SetFactory(u"Word.Application", [this] {
      created->OnCall("Quit", [](auto&, auto&) { return tbo::Value(); });
      return created;
    });
  }
  std::string Holds(const Ref& app) {
    return app.IsEmpty() ? "empty" : fake::Describe(tbo::Value(app));
  }
};

TEST_F(OperationTest, AttachesToARunningInstanceWithoutCreatingOne) {
  Installed();
  p.automation.SetRunning(u"Word.Application", running);
  Ref app;
  op.AttachOrLaunch(app, u"Word.Application");
  EXPECT_EQ(Holds(app), "<running>");
  EXPECT_EQ(p.journal->lines, Lines{"attach Word.Application"});
}

TEST_F(OperationTest, CreatesAnInstanceWhenNoneRunsAndClearsTheError) {
  Installed();
  Ref app;
  op.AttachOrLaunch(app, u"Word.Application");
  EXPECT_EQ(Holds(app), "<created>");
  EXPECT_EQ(p.journal->lines,
            (Lines{"attach Word.Application -> 0x800401E3", "create Word.Application"}));
  EXPECT_EQ(op.PendingError(), tbo::kNoError);
}

TEST_F(OperationTest, AnEarlierPendingErrorCreatesAnInstanceEvenWhenOneRuns) {
  Installed();
  p.automation.SetRunning(u"Word.Application", running);
  op.Step([] { tbo::Fail(kE1); });
  Ref app;
  op.AttachOrLaunch(app, u"Word.Application");
  EXPECT_EQ(Holds(app), "<created>");
}

TEST_F(OperationTest, NotInstalledLeavesTheReferenceEmpty) {
  Ref app;
  op.AttachOrLaunch(app, u"Word.Application", Clear::LeftToCaller);
  EXPECT_TRUE(app.IsEmpty());
  EXPECT_EQ(op.PendingError(), tbo::ErrorFromCode(0x800401F3)) << "left for the caller";
  op.Step([&] { app.Get(u"Templates"); });
  EXPECT_EQ(op.PendingError(), tbo::kObjectNotSet);
}

TEST_F(OperationTest, QuitAndReleaseInItsThreeForms) {
  struct Case {
    ReleaseForm form;
    int yields;
  };
  for (const Case c : {Case{ReleaseForm::Plain, 1}, Case{ReleaseForm::WithoutYield, 0},
                       Case{ReleaseForm::Single, 0}}) {
    fake::FakePlatform fp;
    tbo::Operation o{fp.services()};
    auto app = fp.Object("app");
    app->OnCall("Quit", [](auto&, auto&) { return tbo::Value(); });
    Ref ref(app);
    o.QuitAndRelease(ref, c.form);
    EXPECT_TRUE(ref.IsEmpty());
    EXPECT_EQ(fp.events.count, c.yields);
    EXPECT_EQ(fp.journal->lines.front(), "call app.Quit()");
    EXPECT_EQ(app.use_count(), 1) << "our reference is gone";
  }
}

TEST_F(OperationTest, AFailingQuitStillReleasesAndEmptyReferenceIsHarmless) {
  auto app = p.Object("app");
  app->OnCall("Quit", [](auto&, auto&) -> tbo::Value { tbo::Fail(kE1); });
  Ref ref(app);
  op.QuitAndRelease(ref);
  EXPECT_TRUE(ref.IsEmpty());
  EXPECT_EQ(op.PendingError(), kE1);
  Ref none;
  op.QuitAndRelease(none);
  EXPECT_EQ(op.PendingError(), tbo::kObjectNotSet);
}

TEST_F(OperationTest, ReleaseOnlyNeverQuits) {
  auto app = p.Object("app");
  Ref ref(app);
  tbo::Operation::ReleaseOnly(ref);
  EXPECT_TRUE(ref.IsEmpty());
  EXPECT_TRUE(p.journal->lines.empty());
}

TEST_F(OperationTest, RemoveFileIfPresentDeletesOrdinaryAndReadOnlyFiles) {
  p.files.AddFile(u"C:\\Tambrel\\tbadd.dot", FakeFileSystem::kReadOnly | FakeFileSystem::kArchive);
  op.RemoveFileIfPresent(u"C:\\TAMBREL\\TBADD.DOT");
  EXPECT_FALSE(p.files.Exists(u"C:\\Tambrel\\tbadd.dot")) << "names compare without case";
  EXPECT_EQ(p.journal->lines, (Lines{"find C:\\TAMBREL\\TBADD.DOT", "normal C:\\TAMBREL\\TBADD.DOT",
                                     "delete C:\\TAMBREL\\TBADD.DOT"}));
}

TEST_F(OperationTest, RemoveFileIfPresentLeavesHiddenSystemAndMissingFilesAlone) {
  p.files.AddFile(u"C:\\a\\hidden.xla", FakeFileSystem::kHidden);
  p.files.AddFile(u"C:\\a\\system.xla", FakeFileSystem::kSystem | FakeFileSystem::kReadOnly);
  for (auto path : {u"C:\\a\\hidden.xla", u"C:\\a\\system.xla", u"C:\\a\\missing.xla"}) {
    op.RemoveFileIfPresent(path);
  }
  EXPECT_EQ(p.files.Attributes(u"C:\\a\\hidden.xla"), FakeFileSystem::kHidden);
  EXPECT_EQ(p.files.Attributes(u"C:\\a\\system.xla"),
            FakeFileSystem::kSystem | FakeFileSystem::kReadOnly);
  EXPECT_EQ(p.journal->lines.size(), 3u) << "only the three searches";
  EXPECT_EQ(op.PendingError(), tbo::kNoError);
}

TEST_F(OperationTest, RemoveFileIfPresentPassesOverALockedFile) {
  p.files.AddFile(u"C:\\a\\tbadd.xla");
  p.files.Lock(u"C:\\a\\tbadd.xla");
  op.RemoveFileIfPresent(u"C:\\a\\tbadd.xla");
  EXPECT_TRUE(p.files.Exists(u"C:\\a\\tbadd.xla"));
  EXPECT_EQ(op.PendingError(), tbo::kSharingViolation);
}

}  // namespace
