#include "installers/application.h"

namespace tbo {

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

Reading ReachedToRead(Operation& op, const Application& application) {
  Reading reading{Ref(application.reference), false};
  op.AttachOrLaunch(reading.app, application.server(), Clear::LeftToCaller, Access::ReadOnly);
  reading.started = op.PendingError() != kNoError && !reading.app.IsEmpty();
  op.ClearError();
  reading.failuresBefore = op.failures();
  return reading;
}

void DoneReading(Operation& op, Reading& reading) {
  if (reading.started) {
    op.QuitAndRelease(reading.app, ReleaseForm::Single);
  } else {
    Operation::ReleaseOnly(reading.app);
  }
}

}  // namespace tbo
