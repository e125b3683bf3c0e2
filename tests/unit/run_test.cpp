// The unattended run's policy: what becomes of each application asked for,
// which facts it asks for that (and so whether it reaches Office), what the
// record does, and the exit code management tools read. The presses are a
// port here, with scripted outcomes.
#include "installers/run.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

#include "fakes/fakes.h"
#include "installers/applications.h"

namespace {

using tbo::Before;
using tbo::Fate;
using tbo::Mode;

// Facts as a row gives them, and which of them the rules asked for.
struct ScriptedFacts final : tbo::Facts {
  bool closed = false, recorded = false, installed = true, late = false;
  std::map<const tbo::Application*, std::u16string> inUse;
  std::string asked;
  bool Closed() override { return Ask("closed"), closed; }
  bool Recorded(const tbo::Application&) override { return Ask("recorded"), recorded; }
  bool Installed(const tbo::Application&) override { return Ask("installed"), installed; }
  bool DeadlinePassed() override { return Ask("deadline"), late; }
  std::u16string InUse(const tbo::Application& a) override {
    Ask("inUse:" + std::string(a.switchName, a.switchName + std::char_traits<char16_t>::length(a.switchName)));
    return inUse[&a];
  }
  void Ask(const std::string& fact) { asked += (asked.empty() ? "" : " ") + fact; }
};

TEST(RunPolicy, TheRulesInOrderAskingOnlyWhatTheyNeed) {
  struct Row {
    const char* name;
    Mode mode;
    bool force, closeApps;
    const tbo::Application& application;
    ScriptedFacts facts;
    Before before;
    const char* asked;
  };
  const ScriptedFacts plain;
  ScriptedFacts closed = plain, recorded = plain, missing = plain, wordOpen = plain, excelOpen = plain, late = plain;
  closed.closed = true;
  late.late = late.recorded = true;
  recorded.recorded = true;
  missing.installed = false;
  wordOpen.inUse[&tbo::kWord] = u"Word is open (1 document)";
  excelOpen.inUse[&tbo::kExcel] = u"Excel is open (on screen)";
  Row rows[] = {
      {"a close reaches nothing", Mode::Install, false, false, tbo::kWord, closed, Before::Skip, "closed"},
      {"a close skips taking out too", Mode::Uninstall, true, true, tbo::kExcel, closed, Before::Skip, "closed"},
      {"recorded: left alone, Office not reached", Mode::Install, false, false, tbo::kWord, recorded,
       Before::LeaveAlone, "closed recorded"},
      {"forced: the record is not asked", Mode::Install, true, false, tbo::kWord, recorded, Before::Press,
       "closed installed deadline inUse:word"},
      {"after the deadline: what is recorded is still left alone", Mode::Install, false, false, tbo::kWord, late,
       Before::LeaveAlone, "closed recorded"},
      {"after the deadline: no press starts, and Office is not reached", Mode::Install, true, false, tbo::kWord, late,
       Before::Defer, "closed installed deadline"},
      {"after the deadline: no taking out starts either", Mode::Uninstall, false, false, tbo::kWord, late,
       Before::Defer, "closed deadline"},
      {"not installed: nothing to set up", Mode::Install, false, false, tbo::kExcel, missing, Before::NotInstalled,
       "closed recorded installed"},
      {"no one's: pressed", Mode::Install, false, false, tbo::kWord, plain, Before::Press,
       "closed recorded installed deadline inUse:word"},
      {"the user's: deferred", Mode::Install, false, false, tbo::kWord, wordOpen, Before::Defer,
       "closed recorded installed deadline inUse:word"},
      {"the user's, forced: deferred all the same", Mode::Install, true, false, tbo::kWord, wordOpen, Before::Defer,
       "closed installed deadline inUse:word"},
      {"PowerPoint's press quits the user's Excel: deferred", Mode::Install, false, false, tbo::kPowerPoint, excelOpen,
       Before::Defer, "closed recorded installed deadline inUse:powerpoint inUse:excel"},
      {"closeapps: who has it open is not asked", Mode::Install, false, true, tbo::kPowerPoint, excelOpen,
       Before::Press, "closed recorded installed deadline"},
      {"taking out of Word, which keeps running, quits nothing", Mode::Uninstall, false, false, tbo::kWord, wordOpen,
       Before::Press, "closed deadline"},
      {"taking out of the user's Excel: deferred", Mode::Uninstall, false, false, tbo::kExcel, excelOpen,
       Before::Defer, "closed deadline inUse:excel"},
      {"taking out of PowerPoint does not reach Excel", Mode::Uninstall, false, false, tbo::kPowerPoint, excelOpen,
       Before::Press, "closed deadline inUse:powerpoint"},
      {"taking out where it is not installed: its operation says so", Mode::Uninstall, false, false, tbo::kExcel,
       missing, Before::Press, "closed deadline inUse:excel"},
      {"a check reads the user's open application, whatever the record", Mode::Check, false, false, tbo::kPowerPoint,
       excelOpen, Before::Press, "closed installed deadline"},
      {"a check of what is not installed: nothing to check", Mode::Check, false, false, tbo::kExcel, missing,
       Before::NotInstalled, "closed installed"},
      {"a repair checks first, whatever the record", Mode::Repair, false, false, tbo::kWord, recorded, Before::Press,
       "closed installed deadline"},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.name);
    const tbo::Request request{{}, row.mode, row.force, row.closeApps, {}, {}};
    const tbo::Decision decision = tbo::Decide(request, row.application, row.facts);
    EXPECT_EQ(decision.before, row.before);
    EXPECT_EQ(row.facts.asked, row.asked);
    EXPECT_EQ(decision.why.empty(), row.before != Before::Defer);
  }
}

TEST(RunPolicy, TheRecordAndTheExitCode) {
  const tbo::PressOutcome done, missed{{u"a goal"}, {}};
  EXPECT_EQ(tbo::RecordAfter(Mode::Install, done), tbo::Keep::Record);
  EXPECT_EQ(tbo::RecordAfter(Mode::Uninstall, done), tbo::Keep::Forget);
  EXPECT_EQ(tbo::RecordAfter(Mode::Install, missed), tbo::Keep::Nothing) << "tried again next run";
  EXPECT_EQ(tbo::RecordAfter(Mode::Uninstall, missed), tbo::Keep::Nothing);

  struct Exit {
    const char* name;
    std::vector<Fate> fates;
    bool detectionKept;
    int code;
    bool complete;
  };
  struct Checked {
    const char* name;
    std::vector<Fate> fates;
    int code;
  };
  for (const Checked& c : {Checked{"all set up, or nothing to check", {Fate::AlreadySetUp, Fate::NotInstalled}, 0},
                           Checked{"one not set up: an issue found", {Fate::AlreadySetUp, Fate::Missed}, 1},
                           Checked{"Office did not answer", {Fate::Missed, Fate::Unanswered}, 1603},
                           Checked{"not checked after the deadline", {Fate::AlreadySetUp, Fate::Deferred}, 1618},
                           Checked{"closed", {Fate::Skipped}, 1602}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(tbo::CheckExitCode(c.fates), c.code);
  }
  for (const Exit& e : {Exit{"all set up", {Fate::Done, Fate::AlreadySetUp, Fate::NotInstalled}, true, 0, true},
                        Exit{"the detection value not written", {Fate::Done}, false, 1603, true},
                        Exit{"a close", {Fate::Done, Fate::Skipped}, true, 1602, false},
                        Exit{"left for later, then a close", {Fate::Deferred, Fate::Skipped}, true, 1618, false},
                        Exit{"left for later, then a failure", {Fate::Deferred, Fate::Missed}, true, 1603, false},
                        Exit{"a close, then a failure", {Fate::Skipped, Fate::Missed}, true, 1603, false},
                        Exit{"a record not kept", {Fate::NotKept, Fate::Done}, true, 1603, false},
                        Exit{"nothing installed", {Fate::NotInstalled}, true, 0, true}}) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(tbo::ExitCode(e.fates, e.detectionKept), e.code);
    EXPECT_EQ(tbo::Complete(e.fates), e.complete);
  }
}

TEST(RunPolicy, WhatTheNextLogonRuns) {
  struct Row {
    const char* name;
    int exitCode, retries;
    tbo::AtNextLogon next;
  };
  for (const Row& row : {Row{"complete: no more retries", 0, 2, tbo::AtNextLogon::Clear},
                         Row{"left for later", 1618, 0, tbo::AtNextLogon::RunAgain},
                         Row{"a press failed", 1603, 2, tbo::AtNextLogon::RunAgain},
                         Row{"three retries already", 1603, 3, tbo::AtNextLogon::GiveUp},
                         Row{"closed by the person at the machine", 1602, 0, tbo::AtNextLogon::Nothing}}) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(tbo::NextLogon(row.exitCode, row.retries), row.next);
  }
}

TEST(RunPolicy, PressesInTheSafeOrderEachOnce) {
  const tbo::Application* asked[] = {&tbo::kExcel, &tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel};
  EXPECT_EQ(tbo::InSafeOrder(asked),
            (std::vector<const tbo::Application*>{&tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel}));
}

// The add-in is set up for the signed-in user: a service account, the
// services' session or a run without a desktop is refused before anything,
// each saying why.
TEST(RunPolicy, OnlyTheSignedInUsersContext) {
  EXPECT_EQ(tbo::RefusalOf({}), u"");
  std::set<std::u16string> reasons;
  for (const tbo::Context& refused : {tbo::Context{true, 1, true}, tbo::Context{false, 0, true},
                                      tbo::Context{false, 2, false}}) {
    reasons.insert(tbo::RefusalOf(refused));
  }
  EXPECT_EQ(reasons.size(), 3u);
  EXPECT_FALSE(reasons.count(u""));
}

struct Clock final : tbo::Clock {
  std::chrono::milliseconds now{0};
  std::chrono::milliseconds Now() override { return now; }
};

struct Record final : tbo::UserRecord {
  std::map<std::u16string, std::u16string> values;
  tbo::ErrorNumber fails = tbo::kNoError, readFails = tbo::kNoError;
  std::u16string failsFor;  // only writes of this value fail, when given
  int writes = 0;
  std::optional<std::u16string> Read(std::u16string_view name) override {
    if (readFails) tbo::Fail(readFails);
    const auto found = values.find(std::u16string(name));
    return found == values.end() ? std::nullopt : std::optional(found->second);
  }
  void Write(std::u16string_view name, std::u16string_view value) override {
    Written(name);
    values[std::u16string(name)] = value;
  }
  bool Remove(std::u16string_view name) override {
    Written(name);
    return values.erase(std::u16string(name)) > 0;
  }
  std::u16string Where() override { return u"R"; }
  std::u16string Now() override { return u"2026-12-07 14:46"; }
  void Written(std::u16string_view name) {
    ++writes;
    if (fails && (failsFor.empty() || failsFor == name)) tbo::Fail(fails);
  }
  // The values of the applications and Version, apart from the run's own
  // LastResult and Retries.
  std::set<std::u16string> Kept() const {
    std::set<std::u16string> names;
    for (const auto& [name, value] : values) {
      if (name != u"LastResult" && name != u"Retries") names.insert(name);
    }
    return names;
  }
};

// Office as a script: what is installed, who has what open, what each
// press misses or whose application it meets, and how long it takes.
struct Office final : tbo::Presses {
  explicit Office(Clock& clock) : clock(clock) {}
  Clock& clock;
  std::set<const tbo::Application*> missing;
  std::map<const tbo::Application*, std::u16string> open, meets;
  std::map<const tbo::Application*, std::vector<std::u16string_view>> misses;
  std::map<const tbo::Application*, tbo::PressOutcome> checks;  // all read back, unless told
  std::chrono::milliseconds takes{0};
  std::vector<const tbo::Application*> pressed, checked;
  tbo::PressOutcome Press(const tbo::Application& a, Mode mode, tbo::PressedBy by) override {
    EXPECT_NE(by, tbo::PressedBy::Person);
    if (mode == Mode::Check) return checked.push_back(&a), checks[&a];
    pressed.push_back(&a);
    clock.now += takes;
    return {misses[&a], meets[&a]};
  }
  bool Installed(const tbo::Application& a) override { return !missing.count(&a); }
  std::u16string InUse(const tbo::Application& a) override { return open[&a]; }
};

// The window's click frame: runs the work; a close may come during a press.
struct Frame final : tbo::Frame {
  bool closed = false, closeDuringPress = false, busy = false;
  bool CloseRequested() override { return closed; }
  bool Around(const tbo::Application&, tbo::FunctionRef<void()> work) override {
    if (busy) return false;
    work();
    closed = closed || closeDuringPress;
    return true;
  }
};

struct UnattendedRun : ::testing::Test {
  fake::Lines sink;
  Clock clock;
  tbo::RunLog log{sink, clock};
  Record record, logonRuns;
  Office office{clock};
  Frame frame;
  tbo::Deadline deadline;
  std::u16string nextLogon;  // /nextlogon's command
  int Played(std::vector<const tbo::Application*> applications, Mode mode = Mode::Install, bool force = false,
             bool shown = true) {
    office.pressed.clear();
    office.checked.clear();
    tbo::UnattendedRun run(office, log, record, logonRuns,
                           {std::move(applications), mode, force, false, deadline, nextLogon});
    if (shown) run.Run(frame);
    return run.Finish();
  }
  bool Said(std::u16string_view line) const {
    return std::find(sink.lines.begin(), sink.lines.end(), line) != sink.lines.end();
  }
};

TEST_F(UnattendedRun, RecordsOnlyWhatItReadBackAndSaysWhyNot) {
  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_EQ(record.values[u"Word"], u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46");
  EXPECT_EQ(record.values[u"Version"], u"1.00") << "all asked for is set up";
  EXPECT_TRUE(Said(u"press Word: recorded as set up for this user in R"));
  EXPECT_EQ(sink.lines.back(), u"set up for this user: R Version = 1.00");

  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_TRUE(office.pressed.empty()) << "a recorded application is left alone";
  EXPECT_TRUE(Said(u"press Word: already set up for this user (Tambrel_O21/1, recorded by TBO Setup 1.00 on "
                   u"2026-12-07 14:46)"));
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Install, true), 0);
  EXPECT_EQ(office.pressed.size(), 1u) << "unless forced";

  record.values.clear();
  record.fails = tbo::kPathNotFound;
  EXPECT_EQ(Played({&tbo::kWord}), 1603);
  EXPECT_EQ(sink.lines.back(), u"not recorded: Word (0x80070003)");
  EXPECT_TRUE(Said(u"LastResult could not be written (0x80070003)"));
  EXPECT_TRUE(record.Kept().empty());

  // The detection value is the run's, not an application's: Word recorded,
  // Version not.
  record.failsFor = u"Version";
  EXPECT_EQ(Played({&tbo::kWord}), 1603);
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Word"});
  EXPECT_EQ(sink.lines.back(), u"not recorded: Version (0x80070003)");
  EXPECT_EQ(record.values[u"LastResult"], u"1603; not recorded: Version (0x80070003); 2026-12-07 14:46");
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
    EXPECT_TRUE(office.pressed.empty());
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
        Again{u"", tbo::kAccessDenied, u"press Word: the user's record cannot be read (0x80070005 Access is denied.): set up again"}}) {
    SCOPED_TRACE(std::string(again.said.begin(), again.said.end()));
    record.values = {{u"Word", again.value}};
    record.readFails = again.readFails;
    EXPECT_EQ(Played({&tbo::kWord}), 0);
    EXPECT_EQ(office.pressed.size(), 1u);
    EXPECT_TRUE(Said(again.said));
    record.readFails = tbo::kNoError;
    EXPECT_EQ(record.values[u"Word"], u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46");
  }
}

// Excel is not on this machine: nothing to set up, and not recorded, so a
// later run sets it up once it is. A press that missed a goal is never
// recorded, and Version is not written.
TEST_F(UnattendedRun, APressThatMissedAGoalIsNeverRecordedWhatIsNotInstalledIsNothingToDo) {
  office.missing = {&tbo::kExcel};
  EXPECT_EQ(Played({&tbo::kExcel, &tbo::kPowerPoint}), 0);
  EXPECT_TRUE(Said(u"Excel is not installed here: nothing to set up"));
  EXPECT_TRUE(Said(u"pressed in the order PowerPoint, Excel, which never quits a window a press has opened "
                   u"for the user (the command line gave Excel, PowerPoint)"));
  EXPECT_EQ(record.Kept(), (std::set<std::u16string>{u"PowerPoint", u"Version"}));
  record.values.clear();
  office.misses[&tbo::kWord] = {u"the add-in template opened in Word"};
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kPowerPoint}), 1603);
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"PowerPoint"});
  EXPECT_EQ(sink.lines.back(), u"not set up: Word (the add-in template opened in Word)");
}

// The application the user has open, or one its press would quit, is left
// for a later run and not pressed at all; /closeapps presses it.
TEST_F(UnattendedRun, TheUsersOpenApplicationIsLeftForALaterRun) {
  office.open[&tbo::kExcel] = u"Excel is open (2 workbooks)";
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kPowerPoint}), 1618);
  EXPECT_EQ(office.pressed, std::vector<const tbo::Application*>{&tbo::kWord});
  EXPECT_TRUE(Said(u"Excel is open (2 workbooks): left for a later run"));
  EXPECT_EQ(sink.lines.back(), u"left for a later run: PowerPoint");
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Word"}) << "not complete: Version not written";
  tbo::UnattendedRun forced(office, log, record, logonRuns, {{&tbo::kPowerPoint}, Mode::Install, false, true, {}, {}});
  forced.Run(frame);
  EXPECT_EQ(forced.Finish(), 0);
  EXPECT_EQ(office.pressed.back(), &tbo::kPowerPoint);
}

// A press that met the user's own application (opened after the run
// looked) ended there: left for a later run, not recorded; the next press
// goes on.
TEST_F(UnattendedRun, APressThatMetTheUsersApplicationIsLeftForALaterRun) {
  office.meets[&tbo::kPowerPoint] = u"PowerPoint is open (1 presentation)";
  EXPECT_EQ(Played({&tbo::kPowerPoint, &tbo::kExcel}), 1618);
  EXPECT_EQ(office.pressed, (std::vector<const tbo::Application*>{&tbo::kPowerPoint, &tbo::kExcel}));
  EXPECT_TRUE(Said(u"PowerPoint is open (1 presentation): left for a later run"));
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Excel"});
  EXPECT_EQ(record.values[u"LastResult"], u"1618; left for a later run: PowerPoint; 2026-12-07 14:46");
}

// No press starts after the deadline; one the deadline cut short is left
// for later like one it did not start, not counted as failed.
TEST_F(UnattendedRun, NoPressStartsAfterTheDeadline) {
  deadline = tbo::Deadline(clock, clock.now, std::chrono::seconds(90));
  office.takes = std::chrono::seconds(60);
  office.misses[&tbo::kPowerPoint] = {u"the toolbar Tambrel Tools built"};
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel}), 1618);
  EXPECT_EQ(office.pressed, (std::vector<const tbo::Application*>{&tbo::kWord, &tbo::kPowerPoint}));
  EXPECT_TRUE(Said(u"the run's deadline passed during its press: left for a later run"));
  EXPECT_TRUE(Said(u"the run's deadline has passed: left for a later run"));
  EXPECT_EQ(sink.lines.back(), u"left for a later run: PowerPoint, Excel");
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Word"});
}

// With /nextlogon a run that did not end complete comes again at the next
// logon, at most three times in a row; a complete run ends that. The
// record keeps how it ended, for inventory.
TEST_F(UnattendedRun, TheNextLogonRunsAgainWhatDidNotEndCompleteThreeTimesAtMost) {
  nextLogon = u"\"C:\\P\\TBO_Setup.exe\" /word /nextlogon";
  office.open[&tbo::kWord] = u"Word is open (1 document)";
  for (const char16_t* count : {u"1", u"2", u"3"}) {
    SCOPED_TRACE(std::string(1, static_cast<char>(*count)));
    logonRuns.values.clear();  // Windows deletes it before it runs it
    EXPECT_EQ(Played({&tbo::kWord}), 1618);
    EXPECT_EQ(logonRuns.values[u"TBO Setup"], nextLogon);
    EXPECT_EQ(record.values[u"Retries"], count);
  }
  logonRuns.values.clear();
  EXPECT_EQ(Played({&tbo::kWord}), 1618);
  EXPECT_TRUE(logonRuns.values.empty()) << "three times at most";
  EXPECT_TRUE(sink.lines.back().starts_with(u"not run again at the next logon: run again 3 times already"));

  office.open.clear();
  logonRuns.values[u"TBO Setup"] = nextLogon;  // written by a run that did not end complete
  EXPECT_EQ(Played({&tbo::kWord}), 0);
  EXPECT_TRUE(logonRuns.values.empty());
  EXPECT_EQ(record.values.count(u"Retries"), 0u);
  EXPECT_EQ(sink.lines.back(), u"no longer run again at the next logon");
  EXPECT_EQ(record.values[u"LastResult"], u"0; set up; 2026-12-07 14:46");

  nextLogon.clear();
  office.open[&tbo::kExcel] = u"Excel is open (on screen)";
  EXPECT_EQ(Played({&tbo::kExcel}), 1618);
  EXPECT_TRUE(logonRuns.values.empty()) << "not without /nextlogon";
}

// A check asks Office and changes nothing of the record; what a press
// leaves in Word cannot be read, so there the record decides with the
// template. Where the record and Office disagree, the line says both. One
// ASCII line sums it up.
TEST_F(UnattendedRun, ACheckReadsOfficeAndTheRecordAndChangesNothing) {
  const std::u16string current = u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46";
  record.values = {{u"Word", current}, {u"Excel", current}};
  office.checks[&tbo::kExcel].missed = {u"the add-in switched on in Excel"};
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel}, Mode::Check), 1);
  EXPECT_TRUE(office.pressed.empty());
  EXPECT_EQ(record.writes, 0) << "not even how it ended";
  EXPECT_TRUE(Said(u"check Word: set up (recorded on 2026-12-07 14:46)"));
  EXPECT_TRUE(Said(u"check PowerPoint: set up, but not recorded for this user"));
  EXPECT_TRUE(Said(u"check Excel: not set up: recorded as set up on 2026-12-07 14:46, but not read back: the add-in "
                   u"switched on in Excel"));
  tbo::UnattendedRun run(office, log, record, logonRuns, {{&tbo::kExcel, &tbo::kWord}, Mode::Check, false, false, {}, {}});
  run.Run(frame);
  EXPECT_EQ(run.Finish(), 1);
  EXPECT_EQ(run.Summary(), u"TBO Setup check: Word set up; Excel NOT set up (recorded as set up on 2026-12-07 14:46, "
                           u"but not read back: the add-in switched on in Excel)");

  record.values.clear();
  office.checks.clear();
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Check), 1);
  EXPECT_TRUE(Said(u"check Word: not set up: not recorded as set up")) << "the template alone says nothing";
  office.checks[&tbo::kExcel].couldNotRead = true;
  EXPECT_EQ(Played({&tbo::kExcel}, Mode::Check), 1603);
  EXPECT_TRUE(Said(u"check Excel: Excel did not answer what was asked: cannot tell"));
}

// A repair presses only what the check finds not set up, records what
// reads set up but is not recorded without a press, and keeps every rule
// of an install: the user's open application is left for later.
TEST_F(UnattendedRun, ARepairPressesOnlyWhatIsNotSetUp) {
  record.values = {{u"Word", u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46"}};
  office.checks[&tbo::kExcel].missed = {u"the add-in switched on in Excel"};
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kPowerPoint, &tbo::kExcel}, Mode::Repair), 0);
  EXPECT_EQ(office.checked.size(), 3u);
  EXPECT_EQ(office.pressed, std::vector<const tbo::Application*>{&tbo::kExcel});
  EXPECT_TRUE(Said(u"repair PowerPoint: recorded as set up for this user in R"));
  EXPECT_EQ(record.Kept(), (std::set<std::u16string>{u"Excel", u"PowerPoint", u"Version", u"Word"}));

  office.open[&tbo::kExcel] = u"Excel is open (1 workbook)";
  EXPECT_EQ(Played({&tbo::kExcel}, Mode::Repair), 1618);
  EXPECT_TRUE(office.pressed.empty());
  EXPECT_TRUE(Said(u"Excel is open (1 workbook): left for a later run"));
}

TEST_F(UnattendedRun, ACloseSkipsThePressesNotYetStartedAPressTheFrameDidNotRunIsMissed) {
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}, Mode::Install, false, false), 1602) << "closed before the first";
  EXPECT_EQ(sink.lines.back(), u"skipped: Word, Excel");
  EXPECT_TRUE(office.pressed.empty());
  frame.closeDuringPress = true;
  EXPECT_EQ(Played({&tbo::kWord, &tbo::kExcel}), 1602);
  EXPECT_EQ(sink.lines.back(), u"skipped: Excel");
  EXPECT_EQ(record.Kept(), std::set<std::u16string>{u"Word"}) << "the press in progress finishes; not complete";
  record.values.clear();
  frame.closeDuringPress = frame.closed = false;
  frame.busy = true;
  EXPECT_EQ(Played({&tbo::kWord}), 1603);
  EXPECT_EQ(sink.lines.back(), u"not set up: Word (its press did not run)");
  EXPECT_TRUE(record.Kept().empty());
}

TEST_F(UnattendedRun, TakingOutForgetsTheRecordAndSaysWhenItCannot) {
  record.values = {{u"Word", u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46"}, {u"Version", u"1.00"}};
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Uninstall), 0);
  EXPECT_TRUE(record.Kept().empty()) << "the application and Version";
  EXPECT_EQ(sink.lines.back(), u"uninstall Word: no longer recorded as set up for this user");
  record.values = {{u"Word", u"1.00 2026-12-07 14:46"}};
  record.fails = tbo::kAccessDenied;
  EXPECT_EQ(Played({&tbo::kWord}, Mode::Uninstall), 1603);
  EXPECT_TRUE(Said(u"not forgotten: Word (0x80070005 Access is denied.)"));
}

}  // namespace
