#include "installers/mtbo.h"

#include <algorithm>

#include "automation/text.h"
#include "installers/applications.h"

namespace tbo {

void MTBO::BeginPress() {
  platform_.automation.NewPress();
  reached_.clear();
}

bool MTBO::Reached(Goal goal) const { return std::find(reached_.begin(), reached_.end(), goal) != reached_.end(); }

bool MTBO::Installed(const Application& application) const {
  return platform_.automation.Knows(application.server());
}

// Looks only: the running instance, whether it is on screen and how much it
// has open. One that does not answer counts as the user's: it may be busy
// with them.
std::u16string MTBO::InUse(const Application& application) {
  const std::u16string name(application.name);
  Ref running;
  try {
    running = platform_.automation.GetActiveObject(application.server());
  } catch (const AutomationError& e) {
    return e.number() == kNotRunning || e.number() == application.notInstalled ? u"" : Joined({name, u" does not answer"});
  }
  try {
    const std::int32_t open = running.Get(application.openFiles).AsObject().Get(u"Count").AsInt32();
    if (open > 0) {
      return Joined({name, u" is open (", Decimal(open), u" ", application.openFile, open == 1 ? u")" : u"s)"});
    }
    return running.Get(u"Visible").AsBool() ? Joined({name, u" is open (on screen)"}) : u"";
  } catch (const AutomationError&) {
    return Joined({name, u" does not answer"});
  }
}

Operation MTBO::NewOperation() const { return Operation(platform_, observer_, &IsMissingItem); }

}  // namespace tbo
