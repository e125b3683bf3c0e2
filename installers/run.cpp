#include "installers/run.h"

#include <algorithm>

#include "resources/version.h"

namespace tbo {

Before Decide(Mode mode, bool force, bool closed, bool recorded) {
  if (closed) return Before::Skip;
  if (mode == Mode::Install && !force && recorded) return Before::LeaveAlone;
  return Before::Press;
}

Keep RecordAfter(Mode mode, const PressOutcome& outcome) {
  if (!outcome.done()) return Keep::Nothing;
  return mode == Mode::Install ? Keep::Record : Keep::Forget;
}

int ExitCode(std::span<const Fate> fates) {
  const auto any = [&](Fate f) { return std::find(fates.begin(), fates.end(), f) != fates.end(); };
  if (any(Fate::Missed) || any(Fate::NotKept)) return kInstallFailure;
  return any(Fate::Skipped) ? kCancelledByUser : kSetUp;
}

void UnattendedRun::Run(Frame& frame) {
  for (const Application* application : request_.applications) results_.push_back(Press(*application, frame));
}

UnattendedRun::Result UnattendedRun::Press(const Application& application, Frame& frame) {
  const std::u16string name(application.name);
  const bool recorded = request_.mode == Mode::Install && !request_.force && record_.Has(name);
  switch (Decide(request_.mode, request_.force, frame.CloseRequested(), recorded)) {
    case Before::Skip: return {&application, Fate::Skipped, {}};
    case Before::LeaveAlone:
      log_.Write(u"press " + name + u": already set up for this user (" TBO_VERSION_TEXT u")");
      return {&application, Fate::AlreadySetUp, {}};
    case Before::Press: break;
  }
  // A press the frame did not run did nothing.
  PressOutcome outcome{{u"its press"}};
  frame.Around(application, [&] { outcome = RunPress(mtbo_, log_, application, request_.mode); });
  const Keep keep = RecordAfter(request_.mode, outcome);
  if (keep == Keep::Nothing) {
    std::u16string missed;
    for (std::u16string_view goal : outcome.missed) missed.append(missed.empty() ? u"" : u", ").append(goal);
    return {&application, Fate::Missed, missed};
  }
  return Remembered(application, keep);
}

// The record follows what was read back, and is believed only once written:
// a record that could not be written (or removed) leaves the application not
// set up (or not taken out), with the system's reason.
UnattendedRun::Result UnattendedRun::Remembered(const Application& application, Keep keep) {
  const std::u16string name(application.name);
  try {
    switch (keep) {
      case Keep::Record:
        record_.Add(name);
        log_.Write(u"press " + name + u": recorded as set up for this user in " + record_.Where(name));
        break;
      case Keep::Forget:
        if (record_.Remove(name)) log_.Write(u"uninstall " + name + u": no longer recorded as set up for this user");
        break;
      case Keep::Nothing: break;
    }
  } catch (const AutomationError& e) {
    return {&application, Fate::NotKept, log_.Reason(e.number())};
  }
  return {&application, Fate::Done, {}};
}

// "Excel (the add-in switched on in Excel), PowerPoint (...)", or the bare
// names when there is nothing to say of each.
std::u16string UnattendedRun::Listed(Fate fate) const {
  std::u16string list;
  for (const Result& r : results_) {
    if (r.fate != fate) continue;
    list.append(list.empty() ? u"" : u", ").append(r.application->name);
    if (!r.why.empty()) list.append(u" (").append(r.why).append(u")");
  }
  return list;
}

int UnattendedRun::Finish() {
  for (size_t i = results_.size(); i < request_.applications.size(); ++i) {
    results_.push_back({request_.applications[i], Fate::Skipped, {}});
  }
  const bool uninstall = request_.mode == Mode::Uninstall;
  for (const auto& [fate, words] : {std::pair{Fate::Skipped, u"skipped: "},
                                    std::pair{Fate::Missed, uninstall ? u"not taken out: " : u"not set up: "},
                                    std::pair{Fate::NotKept, uninstall ? u"not forgotten: " : u"not recorded: "}}) {
    const std::u16string list = Listed(fate);
    if (!list.empty()) log_.Write(words + list);
  }
  std::vector<Fate> fates;
  for (const Result& r : results_) fates.push_back(r.fate);
  return ExitCode(fates);
}

}  // namespace tbo
