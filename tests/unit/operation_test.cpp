// Reaching and letting go of an application, as the installers use them.
#include "automation/operation.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace {

using Lines = std::vector<std::string>;
using tbo::Ref;
using tbo::ReleaseForm;

constexpr tbo::ErrorNumber kE1 = tbo::ErrorFromCode(0x800A03EC);
constexpr tbo::ErrorNumber kNotRunning = tbo::ErrorFromCode(0x800401E3);

// AttachOrLaunch: which instance it takes, and what it leaves pending.
TEST(AttachOrLaunch, DecidesOnTheWholePendingError) {
  struct Case {
    const char* what;
    bool running, installed, earlierFailure;
    tbo::Clear clear;
    const char* holds;
    tbo::ErrorNumber pending;
  };
  const Case cases[] = {
      {"a running instance is taken", true, true, false, tbo::Clear::AtEnd, "running", 0},
      {"none running: one is created", false, true, false, tbo::Clear::AtEnd, "created", 0},
      {"an earlier failure also creates one", true, true, true, tbo::Clear::AtEnd, "created", 0},
      {"the caller may keep the error", false, true, false, tbo::Clear::LeftToCaller, "created", kNotRunning},
      {"not installed: empty", false, false, false, tbo::Clear::LeftToCaller, "empty",
       tbo::ErrorFromCode(0x800401F3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Platform p;
    tbo::Operation op{p.services()};
    auto running = p.NewObject("running"), created = p.NewObject("created");
    if (c.running) p.automation.running[u"Word.Application"] = running;
    if (c.installed) p.automation.creatable[u"Word.Application"] = created;
    if (c.earlierFailure) op.Step([] { tbo::Fail(kE1); });
    Ref app;
    op.AttachOrLaunch(app, {u"Word.Application", u"Word"}, c.clear);
    const std::string holds = app.IsEmpty() ? "empty" : app.shared() == running ? "running" : "created";
    EXPECT_EQ(holds, c.holds);
    EXPECT_EQ(op.PendingError(), c.pending);
  }
}

TEST(QuitAndRelease, ItsThreeFormsAlwaysLetGo) {
  struct Case {
    ReleaseForm form;
    int yields;
    bool quitFails;
  };
  for (const Case c : {Case{ReleaseForm::Plain, 1, false}, Case{ReleaseForm::WithoutYield, 0, false},
                       Case{ReleaseForm::Single, 0, false}, Case{ReleaseForm::Plain, 1, true}}) {
    fake::Platform p;
    tbo::Operation op{p.services()};
    auto app = p.NewObject("app");
    if (c.quitFails) app->failing["call Quit"] = kE1;
    Ref ref(app);
    op.QuitAndRelease(ref, c.form);
    EXPECT_TRUE(ref.IsEmpty());
    EXPECT_EQ(app.use_count(), 1) << "our reference is gone";
    EXPECT_EQ(p.events.yields, c.yields);
    EXPECT_EQ(*p.journal, Lines{"app call Quit"});
    EXPECT_EQ(op.PendingError(), c.quitFails ? kE1 : tbo::kNoError);
  }
}

TEST(QuitAndRelease, AnEmptyReferenceFailsItsQuitHarmlesslyAndReleaseOnlyNeverQuits) {
  fake::Platform p;
  tbo::Operation op{p.services()};
  Ref none;
  op.QuitAndRelease(none);
  EXPECT_EQ(op.PendingError(), tbo::kObjectNotSet);
  auto app = p.NewObject("app");
  Ref ref(app);
  tbo::Operation::ReleaseOnly(ref);
  EXPECT_TRUE(ref.IsEmpty());
  EXPECT_TRUE(p.journal->empty());
}

}  // namespace
