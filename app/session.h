// The window's side of the presses: a click runs its application's press
// as described, and an unattended run drives the window's click frame for
// each application it was asked for.
#pragma once

#include "app/frm_icon.h"
#include "installers/run.h"

namespace tbo::app {

class Session final : public FrmIcon::Host, private Frame {
 public:
  // request: the unattended run's; no applications for a person at the machine.
  Session(Presses& presses, RunLog& log, UserRecord& record, UserRecord& logonRuns, Request request)
      : presses_(presses), unattended_(!request.applications.empty()),
        run_(presses, log, record, logonRuns, std::move(request)) {}
  // Once the window has gone: the exit code.
  int Finish() { return unattended_ ? run_.Finish() : kSetUp; }
  std::u16string Summary() const { return run_.Summary(); }

  void OnPress(const Application& application) override {
    presses_.Press(application, Mode::Install, PressedBy::Person);  // the window shows nothing of how it went
  }
  void OnShown(FrmIcon& form) override;

 private:
  bool CloseRequested() override { return form_->closeRequested(); }
  bool Around(const Application& application, FunctionRef<void()> work) override {
    return form_->RunPress(application, work);
  }

  Presses& presses_;
  bool unattended_;
  UnattendedRun run_;
  FrmIcon* form_ = nullptr;
};

}  // namespace tbo::app
