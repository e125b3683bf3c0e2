#include "installers/presses.h"

#include "automation/text.h"
#include "installers/applications.h"

namespace tbo {

PressOutcome OfficePresses::Press(const Application& application, Mode mode, PressedBy pressedBy) {
  // An application that stopped answering in the last press may be tried
  // again, and no goal is reached yet.
  platform_.automation.NewPress();
  PressContext press(platform_, log_, shared_, &IsMissingItem, pressedBy, &judge_);
  log_.BeginPress(application.name, mode == Mode::Uninstall ? u"uninstall" : mode == Mode::Check ? u"check" : u"press");
  const auto run = [&](const NamedOperation& operation) {
    log_.BeginOperation(operation.name);
    operation.run(press);
  };
  PressOutcome outcome;
  try {
    if (mode == Mode::Uninstall) {
      run(application.uninstall);
    } else if (mode == Mode::Check) {
      run(application.check);
    } else {
      run(application.remove);
      run(application.install);
    }
  } catch (const LeftToTheUser& left) {
    log_.Note(Joined({left.why, u": let go of untouched, the press ends here"}));
    outcome.leftToTheUser = left.why;
  }
  log_.EndPress();
  const auto goals = mode == Mode::Uninstall ? application.goalsOut
                     : mode == Mode::Check   ? application.checked
                                             : application.goals;
  for (const Goal* goal : goals) {
    if (!press.Reached(*goal)) outcome.missed.push_back(goal->words);
  }
  outcome.couldNotRead = press.couldNotRead();
  return outcome;
}

bool OfficePresses::Installed(const Application& application) {
  return platform_.automation.Knows(application.server());
}

std::u16string OfficePresses::InUse(const Application& application) {
  Ref running;
  try {
    running = platform_.automation.GetActiveObject(application.server());
  } catch (const AutomationError& e) {
    if (e.number() == kNotRunning || e.number() == kNotInstalled) return u"";
    return Joined({application.name, u" does not answer"});
  }
  return Whose(running, application);
}

std::u16string OfficePresses::Judge::Whose(const Ref& app) {
  for (const Application* a : kApplications) {
    if (&a->reference == app.stands()) return tbo::Whose(app, *a, false);
  }
  return u"";
}

std::u16string Whose(const Ref& running, const Application& application, bool unansweredTells) {
  const std::u16string name(application.name);
  try {
    const std::int32_t open = running.Get(application.openFiles).AsObject().Get(u"Count").AsInt32();
    if (open > 0) {
      return Joined({name, u" is open (", Decimal(open), u" ", application.openFile, open == 1 ? u")" : u"s)"});
    }
    return running.Get(u"Visible").AsBool() ? Joined({name, u" is open (on screen)"}) : u"";
  } catch (const AutomationError& e) {
    if (!unansweredTells && e.unanswered() != Unanswered::No) return u"";
    return Joined({name, u" does not answer"});
  }
}

}  // namespace tbo
