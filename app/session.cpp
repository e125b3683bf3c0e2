#include "app/session.h"

namespace tbo::app {

// The unattended run's presses, as clicks would run them; the window closes
// itself afterwards.
void Session::OnShown(FrmIcon& form) {
  if (!unattended_) return;
  form_ = &form;
  run_.Run(*this);
  form.Destroy();
}

}  // namespace tbo::app
