// The unattended run's policy: what becomes of each application asked for,
// what the record does, and the exit code management tools read.
#include "installers/run.h"

#include <gtest/gtest.h>

#include <set>

#include "fakes/fakes.h"

namespace {

using tbo::Fate;
using tbo::Mode;

TEST(RunPolicy, WhatBecomesOfAnApplicationAndTheExitCode) {
  using tbo::Before;
  struct Case {
    Mode mode;
    bool force, closed, recorded;
    Before before;
  };
  for (const Case& c : {Case{Mode::Install, false, false, false, Before::Press},
                        Case{Mode::Install, false, false, true, Before::LeaveAlone},
                        Case{Mode::Install, true, false, true, Before::Press},
                        Case{Mode::Uninstall, false, false, true, Before::Press},
                        Case{Mode::Install, false, true, false, Before::Skip},
                        Case{Mode::Uninstall, true, true, true, Before::Skip}}) {
    EXPECT_EQ(tbo::Decide(c.mode, c.force, c.closed, c.recorded), c.before)
        << static_cast<int>(c.mode) << c.force << c.closed << c.recorded;
  }
  const tbo::PressOutcome done, missed{{u"a goal"}};
  EXPECT_EQ(tbo::RecordAfter(Mode::Install, done), tbo::Keep::Record);
  EXPECT_EQ(tbo::RecordAfter(Mode::Uninstall, done), tbo::Keep::Forget);
  EXPECT_EQ(tbo::RecordAfter(Mode::Install, missed), tbo::Keep::Nothing) << "tried again next run";
  EXPECT_EQ(tbo::RecordAfter(Mode::Uninstall, missed), tbo::Keep::Nothing);

  struct Exit {
    std::vector<Fate> fates;
    int code;
  };
  for (const Exit& e : {Exit{{Fate::Done, Fate::AlreadySetUp}, 0}, Exit{{Fate::Done, Fate::Skipped}, 1602},
                        Exit{{Fate::Skipped, Fate::Missed}, 1603}, Exit{{Fate::NotKept, Fate::Done}, 1603},
                        Exit{{}, 0}}) {
    EXPECT_EQ(tbo::ExitCode(e.fates), e.code) << e.code;
  }
}

struct Lines final : tbo::LogSink {
  std::vector<std::u16string> lines;
  void Append(std::u16string_view line) override { lines.emplace_back(line); }
  std::u16string Describe(tbo::ErrorNumber) override { return u""; }
};

struct Record final : tbo::UserRecord {
  std::set<std::u16string> kept;
  tbo::ErrorNumber fails = tbo::kNoError;
  int writes = 0;
  bool Has(std::u16string_view a) override { return kept.count(std::u16string(a)) > 0; }
  void Add(std::u16string_view a) override {
    ++writes;
    if (fails) tbo::Fail(fails);
    kept.insert(std::u16string(a));
  }
  bool Remove(std::u16string_view a) override {
    ++writes;
    if (fails) tbo::Fail(fails);
    return kept.erase(std::u16string(a)) > 0;
  }
  std::u16string Where(std::u16string_view a) override { return u"R\\" + std::u16string(a); }
};

// The window's click frame: runs the work; a close may come during a press.
struct Frame final : tbo::Frame {
  bool closed = false, closeDuringPress = false;
  bool CloseRequested() override { return closed; }
  void Around(const tbo::Application&, tbo::FunctionRef<void()> work) override {
    work();
    closed = closed || closeDuringPress;
  }
};

// A Word that opens the add-in template; Excel and PowerPoint are not there.
struct UnattendedRun : ::testing::Test {
  fake::Platform p;
  Lines sink;
  tbo::RunLog log{sink, p.events};
  tbo::MTBO mtbo{p.services(), log};
  Record record;
  Frame frame;
  std::shared_ptr<fake::Object> word = p.NewObject("word"), documents = p.NewObject("documents");
  void SetUp() override {
    auto templates = p.NewObject("templates");
    templates->enumerable = true;
    word->properties["Templates"] = tbo::Value(tbo::Ref(templates));
    word->properties["Documents"] = tbo::Value(tbo::Ref(documents));
    p.automation.creatable[u"Word.Application"] = word;
    p.files.found[u"C:\\TamBrel\\Tambrel_O21.dot"] = {u"Tambrel_O21.dot"};
  }
  int Played(std::vector<const tbo::Application*> applications, Mode mode = Mode::Install, bool force = false,
             bool shown = true) {
    tbo::UnattendedRun run(mtbo, log, record, {std::move(applications), mode, force});
    if (shown) run.Run(frame);
    return run.Finish();
  }
  bool Pressed() const { return std::count(p.journal->begin(), p.journal->end(), "word call Quit") > 0; }
};

TEST_F(UnattendedRun, RecordsOnlyWhatItReadBackAndSaysWhyNot) {
  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_EQ(record.kept, std::set<std::u16string>{u"Word"});
  EXPECT_EQ(sink.lines.back(), u"press Word: recorded as set up for this user in R\\Word");

  p.journal->clear();
  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_FALSE(Pressed()) << "a recorded application is left alone";
  EXPECT_EQ(sink.lines.back(), u"press Word: already set up for this user (1.00)");
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Install, true), 0);
  EXPECT_TRUE(Pressed()) << "unless forced";

  record.kept.clear();
  record.fails = tbo::kPathNotFound;
  EXPECT_EQ(Played({&tbo::kWord}), 1603);
  EXPECT_EQ(sink.lines.back(), u"not recorded: Word (0x80070003)");
  EXPECT_TRUE(record.kept.empty());
}

TEST_F(UnattendedRun, APressThatMissedAGoalIsNeverRecorded) {
  documents->failing["call Open"] = tbo::ErrorFromCode(0x800A1436);
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}), 1603);
  EXPECT_EQ(record.writes, 0);
  EXPECT_EQ(sink.lines.back(),
            u"not set up: Word (the add-in template opened in Word), Excel (the add-in added to Excel, the add-in "
            u"switched on in Excel)");
}

TEST_F(UnattendedRun, ACloseSkipsThePressesNotYetStarted) {
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}, Mode::Install, false, false), 1602) << "closed before the first";
  EXPECT_EQ(sink.lines.back(), u"skipped: Word, Excel");
  EXPECT_FALSE(Pressed());
  frame.closeDuringPress = true;
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}), 1602);
  EXPECT_EQ(sink.lines.back(), u"skipped: Excel");
  EXPECT_EQ(record.kept, std::set<std::u16string>{u"Word"}) << "the press in progress finishes";
}

TEST_F(UnattendedRun, TakingOutForgetsTheRecordAndSaysWhenItCannot) {
  record.kept = {u"Word"};
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Uninstall), 0);
  EXPECT_TRUE(record.kept.empty());
  EXPECT_EQ(sink.lines.back(), u"uninstall Word: no longer recorded as set up for this user");
  record.kept = {u"Word"};
  record.fails = tbo::kAccessDenied;
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Uninstall), 1603);
  EXPECT_EQ(sink.lines.back(), u"not forgotten: Word (0x80070005)");
}

}  // namespace
