#include "app/session.h"

#include "automation/win32/log_file.h"
#include "resources/version.h"

namespace tbo::app {
namespace {

std::u16string& Listed(std::u16string& list, std::u16string_view item) {
  return list.append(list.empty() ? u"" : u", ").append(item);
}

}  // namespace

void Session::OnPress(Press press) {
  std::u16string missing;
  for (std::u16string_view goal : RunPress(mtbo_, log_, press, uninstall_)) Listed(missing, goal);
  if (!missing.empty()) Listed(notDone_, std::u16string(ApplicationOf(press)) + u" (" + missing + u")");
  lastDone_ = missing.empty();
}

// The record follows what the press did, and only what was read back: a
// record that could not be written (or removed) makes the application not
// set up (or not taken out), with the system's reason.
void Session::Remember(Press press) {
  const std::u16string application(ApplicationOf(press));
  try {
    if (uninstall_) {
      if (record_.Remove(application)) {
        log_.Write(u"uninstall " + application + u": no longer recorded as set up for this user");
      }
    } else {
      record_.Add(application, win::LocalTimestamp());
      log_.Write(u"press " + application + u": recorded as set up for this user in " + record_.Where(application));
    }
  } catch (const AutomationError& e) {
    Listed(notKept_, application + u" (" + log_.Reason(e.number()) + u")");
  }
}

// Once per user and version: an application the user's record names is left
// alone, so that a run at every logon does not set the user's files aside
// every morning; taking the add-in out forgets it, so that a later run sets
// it up again. A close by the person at the machine skips the presses not
// yet started; the window closes afterwards. A failure is never reported as
// a cancel. Only unattended runs read and write the record: a person who
// clicks gets what the button does.
void Session::OnShown(FrmIcon& form) {
  if (presses_.empty()) return;
  for (; started_ < presses_.size() && !form.closeRequested(); ++started_) {
    const Press press = presses_[started_];
    const std::u16string application(ApplicationOf(press));
    if (!uninstall_ && !force_ && record_.Has(application)) {
      log_.Write(u"press " + application + u": already set up for this user (" TBO_VERSION_TEXT u")");
    } else if (form.RunPress(press) && lastDone_) {
      Remember(press);
    }
  }
  form.Destroy();
}

int Session::Finish() {
  if (presses_.empty()) return kSetUp;
  std::u16string skipped;
  for (size_t i = started_; i < presses_.size(); ++i) Listed(skipped, ApplicationOf(presses_[i]));
  if (!skipped.empty()) log_.Write(u"skipped: " + skipped);
  if (!notDone_.empty()) log_.Write((uninstall_ ? u"not taken out: " : u"not set up: ") + notDone_);
  if (!notKept_.empty()) log_.Write((uninstall_ ? u"not forgotten: " : u"not recorded: ") + notKept_);
  if (!notDone_.empty() || !notKept_.empty()) return kInstallFailure;
  return skipped.empty() ? kSetUp : kCancelledByUser;
}

}  // namespace tbo::app
