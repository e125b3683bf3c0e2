// Taking the add-in out again, as far as automation can: the installation's
// registrations undone, the product's toolbar and menu deleted. Files set
// aside by earlier presses stay as they are: the user may have changed the
// fresh ones since.
#include "automation/operation.h"
#include "installers/applications.h"
#include "installers/mtbo.h"

namespace tbo {
namespace {

// Reaches the application as the installation does. Returns false when it
// is not installed here, so that there is nothing to take out of it.
bool ReachedIfInstalled(Operation& op, Ref& app, std::u16string_view progId, std::u16string_view name) {
  op.AttachOrLaunch(app, progId, Clear::LeftToCaller);
  const bool installed = !(app.IsEmpty() && op.PendingError() == kNotInstalled);
  if (!installed) op.Changed(std::u16string(name) + u" is not installed here: there is no add-in to take out");
  op.ClearError();
  return installed;
}

}  // namespace

void MTBO::UninstallWordTemplate() {
  observer_.Changed(u"Word keeps nothing of the add-in: the template opened by the installation is open only until Word "
             u"closes. A global template set aside earlier stays in Word's templates folder as "
             u"Normal.dot.backup-N: rename the newest back to Normal.dot, with Word closed, to have it again");
}

void MTBO::UninstallExcelAddIn() {
  Operation op(platform_, observer_);
  Ref app(kExcelApp);
  if (!ReachedIfInstalled(op, app, kExcel, u"Excel")) {                                                  // 1
    Reach(Goal::ExcelAddInOff);
    return;
  }
  // Excel has no way to take an add-in off its list by automation: it stays
  // there, switched off.
  if (op.StepIfThere(u"Excel add-in " + std::u16string(kAddInName), [&] {                    // 2
        app.Get(u"AddIns", {kAddInName}).AsObject().Put(u"Installed", false);
      }) || IsMissingItem(op.PendingError())) {
    Reach(Goal::ExcelAddInOff);
  }
  op.QuitAndRelease(app, ReleaseForm::Single);                                                // 3
}

void MTBO::UninstallPowerPointAddIn() {
  Operation op(platform_, observer_);
  Ref app(kPowerPointApp);
  if (!ReachedIfInstalled(op, app, kPowerPoint, u"PowerPoint")) {                                        // 1
    Reach(Goal::PowerPointAddInOut);
    return;
  }
  const auto addIn = [&] { return app.Get(u"AddIns", {kAddInName}).AsObject(); };
  const bool listed = op.StepIfThere(u"PowerPoint add-in " + std::u16string(kAddInName),     // 2
                                     [&] { addIn().Put(u"Loaded", false); });
  if (!listed && IsMissingItem(op.PendingError())) Reach(Goal::PowerPointAddInOut);
  if (listed) {
    op.Step([&] { addIn().Put(u"Registered", false); });                                     // 3
    if (op.Step([&] { app.Get(u"AddIns").AsObject().Call(u"Remove", {kAddInName}); })) {    // 4
      Reach(Goal::PowerPointAddInOut);
    }
  }
  DeleteTambrelToolbars(op, app);                                                             // 5
  DeleteTambrelMenus(op, app);                                                                // 6
  op.Changed(u"toolbar files set aside earlier stay in PowerPoint's folder as *.pcb.backup-N: with PowerPoint "
             u"closed, rename one back to its name without .backup-N to have it again");
  op.QuitAndRelease(app, ReleaseForm::WithoutYield);                                          // 7
}

}  // namespace tbo
