#include "installers/applications.h"

namespace tbo {

const Application* ApplicationNamed(std::u16string_view switchName) {
  for (const Application* a : kApplications) {
    if (a->switchName == switchName) return a;
  }
  return nullptr;
}

const Application* ApplicationOfControl(int controlId) {
  for (const Application* a : kApplications) {
    if (a->controlId == controlId) return a;
  }
  return nullptr;
}

bool IsMissingItem(ErrorNumber e) {
  for (const Application* a : kApplications) {
    if (a->missingItem == e) return true;
  }
  return false;
}

Operation PressContext::NewOperation() const { return Operation(platform_, observer_, &IsMissingItem); }

bool PressContext::Reached(const Goal& goal) const {
  for (const Goal* g : reached_) {
    if (g == &goal) return true;
  }
  return false;
}

bool ReachedIfInstalled(Operation& op, Ref& app, const Application& application) {
  op.AttachOrLaunch(app, application.server(), Clear::LeftToCaller);
  const bool installed = !(app.IsEmpty() && op.PendingError() == kNotInstalled);
  if (!installed) op.Note(std::u16string(application.name) + u" is not installed here: there is no add-in to take out");
  op.ClearError();
  return installed;
}

}  // namespace tbo
