#include "installers/run.h"

#include <algorithm>

#include "automation/text.h"
#include "installers/applications.h"
#include "installers/record.h"
#include "resources/version.h"

namespace tbo {
namespace {

bool Any(std::span<const Fate> fates, std::initializer_list<Fate> these) {
  return std::any_of(fates.begin(), fates.end(),
                     [&](Fate f) { return std::find(these.begin(), these.end(), f) != these.end(); });
}

std::u16string& Append(std::u16string& list, std::u16string_view item) {
  return list.append(list.empty() ? u"" : u", ").append(item);
}

// What the user's record says of the application; nothing when it says
// nothing, or nothing that can be read.
std::optional<Recorded> RecordOf(UserRecord& record, const Application& application) {
  try {
    const std::optional<std::u16string> value = record.Read(application.name);
    return value ? ReadRecorded(*value) : std::nullopt;
  } catch (const AutomationError&) {
    return std::nullopt;
  }
}

constexpr std::u16string_view kNotSetUp = u"not set up: ";

// What a check read of the application, and what the record says of it,
// where the two disagree too.
std::u16string CheckedLine(const Application& a, const PressOutcome& outcome, const std::optional<Recorded>& recorded,
                           bool setUp) {
  const std::u16string name(a.name);
  const bool current = recorded && recorded->generation == a.generation;
  std::u16string line = Joined({u"check ", name, u": "});
  if (outcome.couldNotRead) return line.append(name).append(u" did not answer what was asked: cannot tell");
  std::u16string missed;
  for (std::u16string_view goal : outcome.missed) Append(missed, goal);
  if (setUp) {
    line.append(u"set up");
    if (current) return line.append(u" (recorded on ").append(recorded->when).append(u")");
    if (recorded) return line.append(u", but recorded for ").append(recorded->generation);
    return line.append(u", but not recorded for this user");
  }
  line.append(kNotSetUp);
  if (current && !missed.empty()) return line.append(u"recorded as set up on ").append(recorded->when).append(
      u", but not read back: ").append(missed);
  if (!missed.empty()) line.append(missed).append(u" not read back");
  if (!a.lastsInOffice && !current) line.append(missed.empty() ? u"" : u"; ").append(u"not recorded as set up");
  return line;
}

// Whether the user's record names the generation the application's press
// sets up; the log says what it names, or why it cannot be read.
bool NamesThisGeneration(UserRecord& record, RunLog& log, const Application& application) {
  const std::u16string name(application.name);
  std::optional<std::u16string> value;
  try {
    value = record.Read(name);
  } catch (const AutomationError& e) {
    log.Write(Joined({u"press ", name, u": the user's record cannot be read (", log.Reason(e.number()),
                      u"): set up again"}));
    return false;
  }
  if (!value) return false;
  const std::optional<Recorded> recorded = ReadRecorded(*value);
  if (!recorded) {
    log.Write(Joined({u"press ", name, u": its record \"", *value, u"\" cannot be read: set up again"}));
    return false;
  }
  const std::u16string by = Joined({u"by TBO Setup ", recorded->version, u" on ", recorded->when});
  if (recorded->generation != application.generation) {
    log.Write(Joined({u"press ", name, u": recorded as set up for ", recorded->generation, u" (", by,
                      u"): set up again for ", application.generation}));
    return false;
  }
  log.Write(Joined({u"press ", name, u": already set up for this user (", recorded->generation, u", recorded ", by,
                    u")"}));
  return true;
}

}  // namespace

Decision Decide(const Request& request, const Application& application, Facts& facts) {
  const bool install = request.mode == Mode::Install;
  // A check, and a repair's first, reads only, whatever the record says.
  const bool reads = request.mode == Mode::Check || request.mode == Mode::Repair;
  if (facts.Closed()) return {Before::Skip, {}};
  if (install && !request.force && facts.Recorded(application)) return {Before::LeaveAlone, {}};
  if ((install || reads) && !facts.Installed(application)) return {Before::NotInstalled, {}};
  if (facts.DeadlinePassed()) return {Before::Defer, u"the run's deadline has passed"};
  if (reads || request.closeApps || (!install && !application.uninstallQuits)) return {Before::Press, {}};
  for (const Application* reached : {&application, install ? application.alsoReaches : nullptr}) {
    if (!reached) continue;
    if (std::u16string why = facts.InUse(*reached); !why.empty()) return {Before::Defer, std::move(why)};
  }
  return {Before::Press, {}};
}

std::u16string RefusalOf(const Context& context) {
  const char16_t* where = context.serviceAccount        ? u"runs under a service account (such as SYSTEM)"
                          : context.session == 0        ? u"runs in session 0, where services run"
                          : !context.interactiveDesktop ? u"has no interactive desktop"
                                                        : nullptr;
  if (!where) return u"";
  return Joined({u"not run: TBO Setup sets up the add-in for the signed-in user and must run in that user's context "
                 u"(Intune or Configuration Manager: install for the user, or Active Setup), but this run ",
                 where, u"; nothing was done"});
}

Keep RecordAfter(Mode mode, const PressOutcome& outcome) {
  if (!outcome.done()) return Keep::Nothing;
  return mode == Mode::Install ? Keep::Record : Keep::Forget;
}

bool Complete(std::span<const Fate> fates) {
  return std::all_of(fates.begin(), fates.end(),
                     [](Fate f) { return f == Fate::Done || f == Fate::AlreadySetUp || f == Fate::NotInstalled; });
}

int ExitCode(std::span<const Fate> fates, bool detectionKept) {
  if (!detectionKept || Any(fates, {Fate::Missed, Fate::NotKept, Fate::Unanswered})) return kInstallFailure;
  if (Any(fates, {Fate::Deferred})) return kAnotherRunGoesOn;
  return Any(fates, {Fate::Skipped}) ? kCancelledByUser : kSetUp;
}

int CheckExitCode(std::span<const Fate> fates) {
  if (Any(fates, {Fate::Unanswered})) return kInstallFailure;
  if (Any(fates, {Fate::Missed})) return kIssueFound;
  if (Any(fates, {Fate::Deferred})) return kAnotherRunGoesOn;
  return Any(fates, {Fate::Skipped}) ? kCancelledByUser : kSetUp;
}

AtNextLogon NextLogon(int exitCode, int retriesSoFar) {
  if (exitCode == kSetUp) return AtNextLogon::Clear;
  if (exitCode != kInstallFailure && exitCode != kAnotherRunGoesOn) return AtNextLogon::Nothing;
  return retriesSoFar < kMostRetries ? AtNextLogon::RunAgain : AtNextLogon::GiveUp;
}

std::vector<const Application*> InSafeOrder(std::span<const Application* const> asked) {
  std::vector<const Application*> ordered;
  for (const Application* a : kApplications) {
    if (std::find(asked.begin(), asked.end(), a) != asked.end()) ordered.push_back(a);
  }
  return ordered;
}

void UnattendedRun::Run(Frame& frame) {
  ordered_ = InSafeOrder(request_.applications);
  if (ordered_ != request_.applications) {
    std::u16string safe, given;
    for (const Application* a : ordered_) Append(safe, a->name);
    for (const Application* a : request_.applications) Append(given, a->name);
    log_.Write(Joined({u"pressed in the order ", safe,
                       u", which never quits a window a press has opened for the user (the command line gave ", given,
                       u")"}));
  }
  for (const Application* application : ordered_) results_.push_back(Press(*application, frame));
}

// The facts as the run learns them: the window, the user's record and
// Office. What the record says is told to the log as it is read.
class UnattendedRun::SeenFacts final : public Facts {
 public:
  SeenFacts(UnattendedRun& run, Frame& frame) : run_(run), frame_(frame) {}
  bool Closed() override { return frame_.CloseRequested(); }
  bool Recorded(const Application& application) override {
    return NamesThisGeneration(run_.record_, run_.log_, application);
  }
  bool Installed(const Application& application) override { return run_.presses_.Installed(application); }
  bool DeadlinePassed() override { return run_.request_.deadline.Passed(); }
  std::u16string InUse(const Application& application) override { return run_.presses_.InUse(application); }

 private:
  UnattendedRun& run_;
  Frame& frame_;
};

UnattendedRun::Result UnattendedRun::Deferred(const Application& application, std::u16string_view why) {
  log_.Write(Joined({why, u": left for a later run"}));
  return {std::u16string(application.name), Fate::Deferred, {}};
}

UnattendedRun::Result UnattendedRun::Press(const Application& application, Frame& frame) {
  const std::u16string name(application.name);
  SeenFacts facts(*this, frame);
  const Decision decision = Decide(request_, application, facts);
  switch (decision.before) {
    case Before::Skip: return {name, Fate::Skipped, {}};
    case Before::LeaveAlone: return {name, Fate::AlreadySetUp, {}};
    case Before::NotInstalled:
      log_.Write(Joined({name, u" is not installed here: nothing to ",
                         request_.mode == Mode::Check ? u"check" : u"set up"}));
      return {name, Fate::NotInstalled, {}};
    case Before::Defer: return Deferred(application, decision.why);
    case Before::Press: break;
  }
  if (request_.mode == Mode::Check || request_.mode == Mode::Repair) return Checked(application, frame, facts);
  return Pressed(application, frame, request_.mode);
}

UnattendedRun::Result UnattendedRun::Checked(const Application& application, Frame& frame, Facts& facts) {
  const std::u16string name(application.name);
  PressOutcome outcome;
  if (!frame.Around(application, [&] { outcome = presses_.Press(application, Mode::Check, PressedBy::UnattendedRun); })) {
    return {name, Fate::Missed, u"its check did not run"};
  }
  const std::optional<Recorded> recorded = RecordOf(record_, application);
  const bool current = recorded && recorded->generation == application.generation;
  const bool setUp = !outcome.couldNotRead && outcome.missed.empty() && (application.lastsInOffice || current);
  const std::u16string line = CheckedLine(application, outcome, recorded, setUp);
  log_.Write(line);
  if (outcome.couldNotRead) return {name, Fate::Unanswered, {}};
  if (request_.mode == Mode::Check) {
    return {name, setUp ? Fate::AlreadySetUp : Fate::Missed, setUp ? u"" : line.substr(line.find(kNotSetUp) + kNotSetUp.size())};
  }
  // A repair: what reads set up is left alone, and recorded when it is not;
  // the rest is pressed as an install would, whatever the record says.
  if (setUp) return current ? Result{name, Fate::AlreadySetUp, {}} : Remembered(application, Keep::Record, u"repair");
  const Request install{{}, Mode::Install, true, request_.closeApps, request_.deadline, {}};
  const Decision decision = Decide(install, application, facts);
  if (decision.before == Before::Defer) return Deferred(application, decision.why);
  return Pressed(application, frame, Mode::Install);
}

UnattendedRun::Result UnattendedRun::Pressed(const Application& application, Frame& frame, Mode mode) {
  const std::u16string name(application.name);
  PressOutcome outcome;
  const PressedBy by = request_.closeApps ? PressedBy::UnattendedRunClosingApps : PressedBy::UnattendedRun;
  if (!frame.Around(application, [&] { outcome = presses_.Press(application, mode, by); })) {
    return {name, Fate::Missed, u"its press did not run"};
  }
  if (!outcome.leftToTheUser.empty()) return Deferred(application, outcome.leftToTheUser);
  // A press the deadline cut short is tried again later, as one it did not start.
  if (!outcome.done() && request_.deadline.Passed()) {
    return Deferred(application, u"the run's deadline passed during its press");
  }
  const Keep keep = RecordAfter(mode, outcome);
  if (keep == Keep::Nothing) {
    std::u16string missed;
    for (std::u16string_view goal : outcome.missed) Append(missed, goal);
    return {name, Fate::Missed, missed};
  }
  return Remembered(application, keep);
}

// The record follows what was read back, and is believed only once written:
// a record that could not be written (or removed) leaves the application not
// set up (or not taken out), with the system's reason.
UnattendedRun::Result UnattendedRun::Remembered(const Application& application, Keep keep, std::u16string_view kind) {
  const std::u16string name(application.name);
  try {
    if (keep == Keep::Record) {
      record_.Write(name, RecordedText({application.generation, u"" TBO_VERSION_TEXT, record_.Now()}));
      log_.Write(Joined({kind, u" ", name, u": recorded as set up for this user in ", record_.Where()}));
    } else if (record_.Remove(name)) {
      log_.Write(Joined({u"uninstall ", name, u": no longer recorded as set up for this user"}));
    }
  } catch (const AutomationError& e) {
    return {name, Fate::NotKept, log_.Reason(e.number())};
  }
  return {name, Fate::Done, {}};
}

// The one value a detection rule reads: written when everything asked for is
// set up (or not installed here), removed once anything was taken out.
std::optional<std::u16string> UnattendedRun::KeepWhole() {
  std::vector<Fate> fates;
  for (const Result& r : results_) fates.push_back(r.fate);
  const bool install = request_.mode == Mode::Install || request_.mode == Mode::Repair;
  if (request_.mode == Mode::Check) return std::nullopt;
  if (!install && !Any(fates, {Fate::Done})) return std::nullopt;
  if (install && !Complete(fates)) return std::nullopt;
  try {
    if (install) {
      record_.Write(u"Version", u"" TBO_VERSION_TEXT);
      log_.Write(Joined({u"set up for this user: ", record_.Where(), u" Version = " TBO_VERSION_TEXT}));
    } else {
      record_.Remove(u"Version");
    }
  } catch (const AutomationError& e) {
    return log_.Reason(e.number());
  }
  return std::nullopt;
}

// "Excel (the add-in switched on in Excel), PowerPoint (...)", or the bare
// names when there is nothing to say of each.
std::u16string UnattendedRun::Listed(Fate fate) const {
  std::u16string list;
  for (const Result& r : results_) {
    if (r.fate != fate) continue;
    Append(list, r.name);
    if (!r.why.empty()) list.append(u" (").append(r.why).append(u")");
  }
  return list;
}

int UnattendedRun::Finish() {
  if (ordered_.empty()) ordered_ = InSafeOrder(request_.applications);
  for (size_t i = results_.size(); i < ordered_.size(); ++i) results_.push_back({ordered_[i]->name, Fate::Skipped, {}});
  const std::optional<std::u16string> detection = KeepWhole();
  const bool uninstall = request_.mode == Mode::Uninstall, check = request_.mode == Mode::Check;
  std::vector<std::u16string> lines;
  for (const auto& [fate, words] : {std::pair{Fate::Skipped, u"skipped: "},
                                    std::pair{Fate::Deferred, check ? u"not checked: " : u"left for a later run: "},
                                    std::pair{Fate::Unanswered, u"Office did not answer: "},
                                    std::pair{Fate::Missed, uninstall ? u"not taken out: " : u"not set up: "},
                                    std::pair{Fate::NotKept, uninstall ? u"not forgotten: " : u"not recorded: "}}) {
    std::u16string list = Listed(fate);
    if (fate == Fate::NotKept && detection) Append(list, Joined({u"Version (", *detection, u")"}));
    if (!list.empty()) lines.push_back(Joined({words, list}));
  }
  std::vector<Fate> fates;
  for (const Result& r : results_) fates.push_back(r.fate);
  if (check) {
    // A check changes nothing of the record, not even how it ended.
    for (const std::u16string& line : lines) log_.Write(line);
    return CheckExitCode(fates);
  }
  const int code = ExitCode(fates, !detection);
  KeepLastResult(code, lines.empty() ? (uninstall ? u"taken out" : u"set up") : lines.back());
  // Last in the log, where a reader looks first.
  for (const std::u16string& line : lines) log_.Write(line);
  ArrangeNextLogon(code);
  return code;
}

std::u16string UnattendedRun::Summary() const {
  static constexpr std::pair<Fate, const char16_t*> kWords[] = {
      {Fate::Skipped, u"skipped"},           {Fate::AlreadySetUp, u"set up"},
      {Fate::NotInstalled, u"not installed"}, {Fate::Deferred, u"left for a later run"},
      {Fate::Done, u"set up now"},           {Fate::Missed, u"NOT set up"},
      {Fate::NotKept, u"not recorded"},      {Fate::Unanswered, u"did not answer"}};
  std::u16string text = request_.mode == Mode::Check ? u"TBO Setup check: " : u"TBO Setup: ";
  for (const Result& r : results_) {
    const auto words = std::find_if(std::begin(kWords), std::end(kWords), [&](const auto& w) { return w.first == r.fate; });
    text.append(&r == &results_.front() ? u"" : u"; ").append(r.name).append(u" ").append(words->second);
    if (!r.why.empty()) text.append(u" (").append(r.why).append(u")");
  }
  // Plain ASCII, whatever reads it: anything else becomes a question mark.
  for (char16_t& c : text) c = c >= 0x20 && c < 0x7F ? c : u'?';
  return text;
}

void UnattendedRun::KeepLastResult(int exitCode, std::u16string_view why) {
  try {
    record_.Write(u"LastResult", Joined({Decimal(exitCode), u"; ", why, u"; ", record_.Now()}));
  } catch (const AutomationError& e) {
    log_.Write(Joined({u"LastResult could not be written (", log_.Reason(e.number()), u")"}));
  }
}

// Windows deletes a RunOnce value before it runs it, so a run started from
// it finds its value gone. Asked not to write to the key while it runs, the
// run writes it once, as its very last act, when it must come again; the
// count in the record keeps it from coming back for ever.
void UnattendedRun::ArrangeNextLogon(int exitCode) {
  constexpr std::u16string_view kValue = u"TBO Setup";
  // A count that cannot be read counts as none: at worst three more runs.
  int retries = 0;
  try {
    const std::u16string counted = record_.Read(u"Retries").value_or(u"");
    if (counted.size() == 1 && counted[0] >= u'0' && counted[0] <= u'9') retries = counted[0] - u'0';
  } catch (const AutomationError&) {
  }
  const AtNextLogon next = NextLogon(exitCode, retries);
  if (next == AtNextLogon::Nothing || (next != AtNextLogon::Clear && request_.nextLogon.empty())) return;
  try {
    switch (next) {
      case AtNextLogon::Clear:
        record_.Remove(u"Retries");
        if (logonRuns_.Remove(kValue)) log_.Write(u"no longer run again at the next logon");
        break;
      case AtNextLogon::RunAgain:
        record_.Write(u"Retries", Decimal(retries + 1));
        logonRuns_.Write(kValue, request_.nextLogon);
        log_.Write(Joined({u"run again at the next logon (", Decimal(retries + 1), u" of ", Decimal(kMostRetries),
                           u"): ", logonRuns_.Where(), u" ", kValue, u" = ", request_.nextLogon}));
        break;
      case AtNextLogon::GiveUp:
        log_.Write(Joined({u"not run again at the next logon: run again ", Decimal(kMostRetries),
                           u" times already; a run in the user's context, or a new version, sets it up"}));
        break;
      case AtNextLogon::Nothing: break;
    }
  } catch (const AutomationError& e) {
    log_.Write(Joined({u"not run again at the next logon (", log_.Reason(e.number()), u")"}));
  }
}

}  // namespace tbo
