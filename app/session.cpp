#include "app/session.h"

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
}

// A close by the person at the machine skips the presses not yet started;
// the window closes afterwards. A failure is never reported as a cancel.
void Session::OnShown(FrmIcon& form) {
  if (presses_.empty()) return;
  std::u16string skipped;
  for (Press press : presses_) {
    if (form.closeRequested()) Listed(skipped, ApplicationOf(press));
    else form.RunPress(press);
  }
  if (!skipped.empty()) log_.Write(u"skipped: " + skipped);
  if (!notSetUp_.empty()) log_.Write(u"not set up: " + notSetUp_);
  exitCode_ = !notSetUp_.empty() ? kInstallFailure : !skipped.empty() ? kCancelledByUser : kSetUp;
  form.Destroy();
}

}  // namespace tbo::app
