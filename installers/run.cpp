#include "installers/run.h"

#include <algorithm>

#include "automation/text.h"
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

}  // namespace

Before Decide(const Request& request, const Seen& seen) {
  const bool install = request.mode == Mode::Install;
  if (seen.closed) return Before::Skip;
  if (install && !request.force && seen.recorded) return Before::LeaveAlone;
  if (install && !seen.installed) return Before::NotInstalled;
  if (seen.inUse && !request.closeApps) return Before::Defer;
  return Before::Press;
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

int ExitCode(std::span<const Fate> fates) {
  if (Any(fates, {Fate::Missed, Fate::NotKept})) return kInstallFailure;
  if (Any(fates, {Fate::Deferred})) return kAnotherRunGoesOn;
  return Any(fates, {Fate::Skipped}) ? kCancelledByUser : kSetUp;
}

std::vector<const Application*> InSafeOrder(std::span<const Application* const> asked) {
  std::vector<const Application*> ordered;
  for (const Application& a : kApplications) {
    if (std::find(asked.begin(), asked.end(), &a) != asked.end()) ordered.push_back(&a);
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

// The instance of the application, or of another one its press quits, that
// is the user's. Taking the add-in out of an application that keeps running
// quits nothing.
std::u16string UnattendedRun::InUse(const Application& application) {
  if (request_.closeApps || (request_.mode == Mode::Uninstall && !application.uninstallQuits)) return u"";
  std::u16string why = mtbo_.InUse(application);
  const Application* other = application.alsoReaches ? ApplicationNamed(application.alsoReaches) : nullptr;
  if (why.empty() && other && request_.mode == Mode::Install) why = mtbo_.InUse(*other);
  return why;
}

UnattendedRun::Result UnattendedRun::Press(const Application& application, Frame& frame) {
  const std::u16string name(application.name);
  Seen seen;
  seen.closed = frame.CloseRequested();
  seen.recorded = !seen.closed && request_.mode == Mode::Install && !request_.force && SetUpByThisGeneration(application);
  seen.installed = mtbo_.Installed(application);
  const std::u16string inUse = seen.closed || seen.recorded || !seen.installed ? u"" : InUse(application);
  seen.inUse = !inUse.empty();
  switch (Decide(request_, seen)) {
    case Before::Skip: return {name, Fate::Skipped, {}};
    case Before::LeaveAlone: return {name, Fate::AlreadySetUp, {}};
    case Before::NotInstalled:
      log_.Write(Joined({name, u" is not installed here: nothing to set up"}));
      return {name, Fate::NotInstalled, {}};
    case Before::Defer:
      log_.Write(Joined({inUse, u": left for a later run"}));
      return {name, Fate::Deferred, {}};
    case Before::Press: break;
  }
  // A press the frame did not run did nothing.
  PressOutcome outcome{{u"its press"}};
  frame.Around(application, [&] { outcome = RunPress(mtbo_, log_, application, request_.mode); });
  const Keep keep = RecordAfter(request_.mode, outcome);
  if (keep == Keep::Nothing) {
    std::u16string missed;
    for (std::u16string_view goal : outcome.missed) Append(missed, goal);
    return {name, Fate::Missed, missed};
  }
  return Remembered(application, keep);
}

bool UnattendedRun::SetUpByThisGeneration(const Application& application) {
  const std::u16string name(application.name);
  std::optional<std::u16string> value;
  try {
    value = record_.Read(name);
  } catch (const AutomationError& e) {
    log_.Write(Joined({u"press ", name, u": the user's record cannot be read (", log_.Reason(e.number()),
                       u"): set up again"}));
    return false;
  }
  if (!value) return false;
  const std::optional<Recorded> recorded = ReadRecorded(*value);
  if (!recorded) {
    log_.Write(Joined({u"press ", name, u": its record \"", *value, u"\" cannot be read: set up again"}));
    return false;
  }
  const std::u16string by = Joined({u"by TBO Setup ", recorded->version, u" on ", recorded->when});
  if (recorded->generation != application.generation) {
    log_.Write(Joined({u"press ", name, u": recorded as set up for ", recorded->generation, u" (", by,
                       u"): set up again for ", application.generation}));
    return false;
  }
  log_.Write(Joined({u"press ", name, u": already set up for this user (", recorded->generation, u", recorded ", by,
                     u")"}));
  return true;
}

// The record follows what was read back, and is believed only once written:
// a record that could not be written (or removed) leaves the application not
// set up (or not taken out), with the system's reason.
UnattendedRun::Result UnattendedRun::Remembered(const Application& application, Keep keep) {
  const std::u16string name(application.name);
  try {
    if (keep == Keep::Record) {
      record_.Write(name, RecordedText({application.generation, u"" TBO_VERSION_TEXT, record_.Now()}));
      log_.Write(Joined({u"press ", name, u": recorded as set up for this user in ", record_.Where()}));
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
void UnattendedRun::KeepWhole() {
  std::vector<Fate> fates;
  for (const Result& r : results_) fates.push_back(r.fate);
  const bool install = request_.mode == Mode::Install;
  if (!install && !Any(fates, {Fate::Done})) return;
  if (install && !Complete(fates)) return;
  try {
    if (install) {
      record_.Write(u"Version", u"" TBO_VERSION_TEXT);
      log_.Write(Joined({u"set up for this user: ", record_.Where(), u" Version = " TBO_VERSION_TEXT}));
    } else {
      record_.Remove(u"Version");
    }
  } catch (const AutomationError& e) {
    results_.push_back({u"Version", Fate::NotKept, log_.Reason(e.number())});
  }
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
  KeepWhole();
  const bool uninstall = request_.mode == Mode::Uninstall;
  for (const auto& [fate, words] : {std::pair{Fate::Skipped, u"skipped: "},
                                    std::pair{Fate::Deferred, u"left for a later run: "},
                                    std::pair{Fate::Missed, uninstall ? u"not taken out: " : u"not set up: "},
                                    std::pair{Fate::NotKept, uninstall ? u"not forgotten: " : u"not recorded: "}}) {
    const std::u16string list = Listed(fate);
    if (!list.empty()) log_.Write(Joined({words, list}));
  }
  std::vector<Fate> fates;
  for (const Result& r : results_) fates.push_back(r.fate);
  return ExitCode(fates);
}

}  // namespace tbo
