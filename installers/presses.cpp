#include "installers/presses.h"

namespace tbo {

PressOutcome RunPress(MTBO& mtbo, RunLog& log, const Application& application, Mode mode) {
  mtbo.BeginPress();
  log.BeginPress(application.name, mode == Mode::Uninstall ? u"uninstall" : u"press");
  const auto run = [&](const NamedOperation& operation) {
    log.BeginOperation(operation.name);
    (mtbo.*operation.run)();
  };
  if (mode == Mode::Uninstall) {
    run(application.uninstall);
  } else {
    run(application.remove);
    run(application.install);
  }
  log.EndPress();
  PressOutcome outcome;
  for (const NamedGoal& g : mode == Mode::Uninstall ? application.goalsOut : application.goals) {
    if (!mtbo.Reached(g.goal)) outcome.missed.push_back(g.words);
  }
  return outcome;
}

}  // namespace tbo
