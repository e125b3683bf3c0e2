// The log of a run: one line for each failing step, saying in words what it
// attempted, and lines for each press.
#include "automation/run_log.h"

#include <gtest/gtest.h>

#include <functional>

#include "automation/logged.h"
#include "automation/operation.h"
#include "fakes/fakes.h"

namespace {

using namespace std::chrono_literals;

constexpr tbo::ErrorNumber kNoSuchItem = tbo::ErrorFromCode(0x80070057);
using tbo::Ref;
using tbo::Value;

using fake::Lines;

[[noreturn]] void Unanswered(tbo::Unanswered why, std::u16string what) {
  auto e = tbo::AutomationError::NoAnswer(why, 3000ms);
  e.Attempted({u"Word", std::move(what)});
  throw e;
}

TEST(RunLog, SaysWhatEachStepChangedOrWhyItFailed) {
  fake::Platform p;
  auto excel = p.NewObject("excel"), addIns = p.NewObject("addins");
  excel->properties["AddIns"] = Value(Ref(addIns));
  excel->failing["get StartupPath"] = tbo::ErrorFromCode(0x800A03EC);
  addIns->failing["call Add"] = tbo::ErrorFromCode(0x800A03EC);
  p.automation.creatable[u"Excel.Application"] = excel;
  p.files.names = {u"C:\\T\\a.pcb", u"C:\\T\\old.xla"};
  p.files.movesRefused = 1;
  Lines sink;
  tbo::RunLog log(sink, p.events);
  tbo::LoggedPlatform logged(p.services(), log);
  tbo::Operation op(logged.services(), log, [](tbo::ErrorNumber e) { return e == kNoSuchItem; });
  static constexpr tbo::Stands kToolbar{u"the toolbar", u"made"};
  Ref app, toolbar(kToolbar);
  tbo::FileSystem& files = logged.services().files;

  struct Row {
    std::function<void()> step;
    std::vector<std::u16string> lines;  // written by the time the step is done
  };
  const Row rows[] = {
      {[&] { op.AttachOrLaunch(app, {u"Excel.Application", u"Excel"}); },
       {u"Op: no Excel is running, so one is started: 0x800401E3"}},
      {[&] { op.Step([&] { app.Get(u"StartupPath"); }); }, {u"Op: Excel StartupPath failed: 0x800A03EC"}},
      {[&] { op.Step([&] { app.Get(u"AddIns").AsObject().Call(u"Add", {u"C:\\x.xla", Value::I2(3)}); }); },
       {u"Op: Excel AddIns.Add(\"C:\\x.xla\", 3) failed: 0x800A03EC"}},
      {[&] { op.Set([&] { return app.Get(u"AddIns").AsObject(); }, u"Installed", true); },
       {u"Op: Excel AddIns.Installed set to True"}},
      // Steps that could not run for want of the toolbar are one line, told
      // when the next line comes.
      {[&] { for (int i = 0; i < 3; ++i) op.Step([&] { toolbar.Put(u"Visible", true); }); }, {}},
      {[&] { op.LookUp(u"toolbar Old", [] { tbo::Fail(kNoSuchItem); }); },
       {u"Op: 3 steps on the toolbar not run: it was not made", u"Op: toolbar Old: not there"}},
      {[&] { op.Step([&] { files.Move(u"C:\\T\\a.pcb", u"C:\\T\\a.pcb.backup-1"); }); },
       {u"Op: rename C:\\T\\a.pcb to C:\\T\\a.pcb.backup-1 failed: 0x80070020"}},
      {[&] { op.Step([&] { files.Move(u"C:\\T\\a.pcb", u"C:\\T\\a.pcb.backup-1"); }); },
       {u"Op: set aside C:\\T\\a.pcb as a.pcb.backup-1"}},
      {[&] { op.Step([&] { files.Delete(u"C:\\T\\old.xla"); }); }, {u"Op: deleted C:\\T\\old.xla"}},
      {[&] { op.Step([] { tbo::Fail(tbo::kAccessDenied); }); }, {u"Op: a step failed: 0x80070005 Access is denied."}},
      // A call nobody answered is told as that, with how long it was waited
      // for, never with the system's text for the number.
      {[&] { op.Step([&] { Unanswered(tbo::Unanswered::GivenUp, u"Word Quit"); }); },
       {u"Op: Word Quit given up after 3 s: Word did not answer (0x80010002)"}},
      {[&] { op.Step([&] { Unanswered(tbo::Unanswered::Earlier, u"look for a running Word"); }); },
       {u"Op: look for a running Word not tried: Word did not answer earlier in this press (0x80010002)"}},
  };
  log.BeginPress(u"Excel");
  log.BeginOperation(u"Op");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.lines.empty() ? std::string("(steps told with the next line)") : fake::Ascii(row.lines.back()));
    const size_t before = sink.lines.size();
    row.step();
    const std::vector<std::u16string> written(sink.lines.begin() + static_cast<long>(before), sink.lines.end());
    EXPECT_EQ(written, row.lines);
  }
  p.events.WaitForEvents(2350ms);
  log.EndPress();
  EXPECT_EQ(sink.lines.front(), u"press Excel: start");
  EXPECT_EQ(sink.lines.back(), u"press Excel: end after 2.3 s");
}

}  // namespace
