// The unattended run's policy: what becomes of each application asked for,
// what the record does, and the exit code management tools read.
#include "installers/run.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

#include "fakes/fakes.h"

namespace {

using tbo::Fate;
using tbo::Mode;

TEST(RunPolicy, WhatBecomesOfAnApplicationAndTheExitCode) {
  using tbo::Before;
  struct Case {
    Mode mode;
    bool force, closeApps;
    tbo::Seen seen;  // closed, recorded, installed, inUse
    Before before;
  };
  const Case cases[] = {
      {Mode::Install, false, false, {false, false, true, false}, Before::Press},
      {Mode::Install, false, false, {false, true, true, false}, Before::LeaveAlone},
      {Mode::Install, true, false, {false, true, true, false}, Before::Press},
      {Mode::Uninstall, false, false, {false, true, true, false}, Before::Press},
      {Mode::Install, false, false, {true, false, true, false}, Before::Skip},
      {Mode::Uninstall, true, true, {true, true, true, true}, Before::Skip},
      {Mode::Install, false, false, {false, false, false, false}, Before::NotInstalled},
      {Mode::Uninstall, false, false, {false, false, false, false}, Before::Press},
      {Mode::Install, false, false, {false, false, true, true}, Before::Defer},
      {Mode::Install, true, false, {false, false, true, true}, Before::Defer},
      {Mode::Install, false, true, {false, false, true, true}, Before::Press},
      {Mode::Uninstall, false, false, {false, false, true, true}, Before::Defer},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tbo::Decide({{}, c.mode, c.force, c.closeApps}, c.seen), c.before)
        << static_cast<int>(c.mode) << c.force << c.closeApps << c.seen.closed << c.seen.recorded << c.seen.installed
        << c.seen.inUse;
  }
  const tbo::PressOutcome done, missed{{u"a goal"}};
  EXPECT_EQ(tbo::RecordAfter(Mode::Install, done), tbo::Keep::Record);
  EXPECT_EQ(tbo::RecordAfter(Mode::Uninstall, done), tbo::Keep::Forget);
  EXPECT_EQ(tbo::RecordAfter(Mode::Install, missed), tbo::Keep::Nothing) << "tried again next run";
  EXPECT_EQ(tbo::RecordAfter(Mode::Uninstall, missed), tbo::Keep::Nothing);

  struct Exit {
    std::vector<Fate> fates;
    int code;
    bool complete;
  };
  for (const Exit& e : {Exit{{Fate::Done, Fate::AlreadySetUp, Fate::NotInstalled}, 0, true},
                        Exit{{Fate::Done, Fate::Skipped}, 1602, false},
                        Exit{{Fate::Deferred, Fate::Skipped}, 1618, false},
                        Exit{{Fate::Deferred, Fate::Missed}, 1603, false},
                        Exit{{Fate::Skipped, Fate::Missed}, 1603, false},
                        Exit{{Fate::NotKept, Fate::Done}, 1603, false},
                        Exit{{Fate::NotInstalled}, 0, true}}) {
    EXPECT_EQ(tbo::ExitCode(e.fates), e.code) << e.code;
    EXPECT_EQ(tbo::Complete(e.fates), e.complete) << e.code;
  }
}

TEST(RunPolicy, PressesInTheSafeOrderEachOnce) {
  const tbo::Application* asked[] = {&tbo::kExcel, &tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel};
  EXPECT_EQ(tbo::InSafeOrder(asked),
            (std::vector<const tbo::Application*>{&tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel}));
}

// The add-in is set up for the signed-in user: a service account, the
// services' session or a run without a desktop is refused before anything.
TEST(RunPolicy, OnlyTheSignedInUsersContext) {
  EXPECT_EQ(tbo::RefusalOf({}), u"");
  for (const tbo::Context& refused : {tbo::Context{true, 1, true}, tbo::Context{false, 0, true},
                                      tbo::Context{false, 2, false}}) {
    const std::u16string why = tbo::RefusalOf(refused);
    EXPECT_TRUE(why.starts_with(u"not run: TBO Setup sets up the add-in for the signed-in user and must run in that "
                                u"user's context"));
    EXPECT_TRUE(why.ends_with(u"; nothing was done"));
  }
}

struct Lines final : tbo::LogSink {
  std::vector<std::u16string> lines;
  void Append(std::u16string_view line) override { lines.emplace_back(line); }
  std::u16string Describe(tbo::ErrorNumber) override { return u""; }
};

struct Record final : tbo::UserRecord {
  std::map<std::u16string, std::u16string> values;
  tbo::ErrorNumber fails = tbo::kNoError, readFails = tbo::kNoError;
  int writes = 0;
  std::optional<std::u16string> Read(std::u16string_view name) override {
    if (readFails) tbo::Fail(readFails);
    const auto found = values.find(std::u16string(name));
    return found == values.end() ? std::nullopt : std::optional(found->second);
  }
  void Write(std::u16string_view name, std::u16string_view value) override {
    ++writes;
    if (fails) tbo::Fail(fails);
    values[std::u16string(name)] = value;
  }
  bool Remove(std::u16string_view name) override {
    ++writes;
    if (fails) tbo::Fail(fails);
    return values.erase(std::u16string(name)) > 0;
  }
  std::u16string Where() override { return u"R"; }
  std::u16string Now() override { return u"2026-12-07 14:46"; }
  std::set<std::u16string> Kept() const {
    std::set<std::u16string> names;
    for (const auto& [name, value] : values) names.insert(name);
    return names;
  }
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
    tbo::UnattendedRun run(mtbo, log, record, {std::move(applications), mode, force, false});
    if (shown) run.Run(frame);
    return run.Finish();
  }
  bool Pressed() const { return std::count(p.journal->begin(), p.journal->end(), "word call Quit") > 0; }
};

bool Said(const Lines& sink, std::u16string_view line) {
  return std::find(sink.lines.begin(), sink.lines.end(), line) != sink.lines.end();
}

TEST_F(UnattendedRun, RecordsOnlyWhatItReadBackAndSaysWhyNot) {
  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_EQ(record.Kept(), (std::set<std::u16string>{u"Version", u"Word"})) << "all asked for is set up";
  EXPECT_TRUE(Said(sink, u"press Word: recorded as set up for this user in R"));
  EXPECT_EQ(sink.lines.back(), u"set up for this user: R Version = 1.00");

  p.journal->clear();
  EXPECT_EQ(record.values[u"Word"], u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46");
  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_FALSE(Pressed()) << "a recorded application is left alone";
  EXPECT_TRUE(Said(sink, u"press Word: already set up for this user (Tambrel_O21/1, recorded by TBO Setup 1.00 on "
                         u"2026-12-07 14:46)"));
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Install, true), 0);
  EXPECT_TRUE(Pressed()) << "unless forced";

  record.values.clear();
  record.fails = tbo::kPathNotFound;
  EXPECT_EQ(Played({&tbo::kWord}), 1603);
  EXPECT_EQ(sink.lines.back(), u"not recorded: Word (0x80070003)");
  EXPECT_TRUE(record.Kept().empty());
}

// What a press sets up is the add-in's generation: a record of it, in
// either form and whichever version wrote it, is left alone, and Version
// becomes this program's, so that management tools see the update without
// anyone's files set aside again. Another generation, or a record that
// cannot be read, is pressed again.
TEST_F(UnattendedRun, AnUpdateLeavesSetUpUsersAloneAnotherGenerationIsPressedAgain) {
  for (const std::u16string_view earlier : {u"1.00 2026-12-07 14:46", u"Tambrel_O21/1; TBO Setup 0.99; 2026-01-05 08:00"}) {
    record.values = {{u"Word", std::u16string(earlier)}, {u"Version", u"0.99"}};
    EXPECT_EQ(Played({&tbo::kWord}), 0);
    EXPECT_FALSE(Pressed());
    EXPECT_EQ(record.values[u"Version"], u"1.00");
    EXPECT_EQ(record.values[u"Word"], earlier) << "the record of the press stays as it was";
  }
  struct Again {
    std::u16string value;
    tbo::ErrorNumber readFails;
    std::u16string_view said;
  };
  for (const Again& again :
       {Again{u"Tambrel_O21/0; TBO Setup 0.90; 2025-06-01 10:00", tbo::kNoError,
              u"press Word: recorded as set up for Tambrel_O21/0 (by TBO Setup 0.90 on 2025-06-01 10:00): set up again "
              u"for Tambrel_O21/1"},
        Again{u"done", tbo::kNoError, u"press Word: its record \"done\" cannot be read: set up again"},
        Again{u"", tbo::kAccessDenied, u"press Word: the user's record cannot be read (0x80070005): set up again"}}) {
    SCOPED_TRACE(std::string(again.value.begin(), again.value.end()));
    record.values = {{u"Word", again.value}};
    record.readFails = again.readFails;
    p.journal->clear();
    EXPECT_EQ(Played({&tbo::kWord}), 0);
    EXPECT_TRUE(Pressed());
    EXPECT_TRUE(Said(sink, again.said));
    record.readFails = tbo::kNoError;
    EXPECT_EQ(record.values[u"Word"], u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46");
  }
}

// Excel and PowerPoint are not on this machine: nothing to set up, and not
// recorded, so a later run sets them up once they are.
TEST_F(UnattendedRun, APressThatMissedAGoalIsNeverRecordedWhatIsNotInstalledIsNothingToDo) {
  EXPECT_EQ(Played({&tbo::kExcel, &tbo::kPowerPoint}), 0);
  EXPECT_TRUE(Said(sink, u"Excel is not installed here: nothing to set up"));
  EXPECT_TRUE(Said(sink, u"pressed in the order PowerPoint, Excel, which never quits a window a press has opened "
                         u"for the user (the command line gave Excel, PowerPoint)"));
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Version"});
  record.values.clear();
  documents->failing["call Open"] = tbo::ErrorFromCode(0x800A1436);
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}), 1603);
  EXPECT_EQ(record.writes, 1) << "the first play's Version only: neither the failed press nor Version now";
}

// A Word the user has on screen, or with a document open, is left for a
// later run and nothing of it is changed; /closeapps presses it all the same.
TEST_F(UnattendedRun, TheUsersOpenApplicationIsLeftForALaterRun) {
  auto open = p.NewObject("open");
  open->properties["Count"] = tbo::Value::I4(1);
  word->properties["Documents"] = tbo::Value(tbo::Ref(open));
  p.automation.running[u"Word.Application"] = word;
  EXPECT_EQ(Played({&tbo::kWord}), 1618);
  EXPECT_FALSE(Pressed());
  EXPECT_TRUE(Said(sink, u"Word is open (1 document): left for a later run"));
  EXPECT_EQ(sink.lines.back(), u"left for a later run: Word");
  EXPECT_TRUE(record.Kept().empty()) << "not recorded, Version not written";

  open->properties["Count"] = tbo::Value::I4(0);
  word->properties["Visible"] = tbo::Value(true);
  EXPECT_EQ(Played({&tbo::kWord}), 1618);
  EXPECT_TRUE(Said(sink, u"Word is open (on screen): left for a later run"));
  word->properties["Visible"] = tbo::Value(false);
  EXPECT_EQ(Played({&tbo::kWord}), 0) << "an unseen Word that holds nothing is no one's work";
  EXPECT_TRUE(Pressed());
}

TEST_F(UnattendedRun, ACloseSkipsThePressesNotYetStarted) {
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}, Mode::Install, false, false), 1602) << "closed before the first";
  EXPECT_EQ(sink.lines.back(), u"skipped: Word, Excel");
  EXPECT_FALSE(Pressed());
  frame.closeDuringPress = true;
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}), 1602);
  EXPECT_EQ(sink.lines.back(), u"skipped: Excel");
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Word"}) << "the press in progress finishes; not complete";
}

TEST_F(UnattendedRun, TakingOutForgetsTheRecordAndSaysWhenItCannot) {
  record.values = {{u"Word", u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46"}, {u"Version", u"1.00"}};
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Uninstall), 0);
  EXPECT_TRUE(record.Kept().empty()) << "the application and Version";
  EXPECT_EQ(sink.lines.back(), u"uninstall Word: no longer recorded as set up for this user");
  record.values = {{u"Word", u"1.00 2026-12-07 14:46"}};
  record.fails = tbo::kAccessDenied;
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Uninstall), 1603);
  EXPECT_EQ(sink.lines.back(), u"not forgotten: Word (0x80070005)");
}

}  // namespace
