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
  for (std::u16string_view goal : RunPress(mtbo_, log_, press)) Listed(missing, goal);
  if (!missing.empty()) Listed(notSetUp_, std::u16string(ApplicationOf(press)) + u" (" + missing + u")");
  lastSetUp_ = missing.empty();
}

// Once per user and version: an application the user's record names is left
// alone, so that a run at every logon does not set the user's files aside
// every morning. A close by the person at the machine skips the presses not
// yet started; the window closes afterwards. A failure is never reported as
// a cancel. Only unattended runs read and write the record: a person who
// clicks gets what the button does.
void Session::OnShown(FrmIcon& form) {
  if (presses_.empty()) return;
  std::u16string skipped;
  for (Press press : presses_) {
    const std::u16string application(ApplicationOf(press));
    if (form.closeRequested()) {
      Listed(skipped, application);
    } else if (!force_ && record_.Has(application)) {
      log_.Write(u"press " + application + u": already set up for this user (" TBO_VERSION_TEXT u")");
    } else if (form.RunPress(press) && lastSetUp_) {
      record_.Add(application, win::LocalTimestamp());
      log_.Write(u"press " + application + u": recorded as set up for this user in " + record_.PathOf(application));
    }
  }
  if (!skipped.empty()) log_.Write(u"skipped: " + skipped);
  if (!notSetUp_.empty()) log_.Write(u"not set up: " + notSetUp_);
  exitCode_ = !notSetUp_.empty() ? kInstallFailure : !skipped.empty() ? kCancelledByUser : kSetUp;
  form.Destroy();
}

}  // namespace tbo::app
