// Taking the add-in out again, as far as automation can: the installation's
// registrations undone, the product's toolbar and menu deleted. Files set
// aside by earlier presses stay as they are: the user may have changed the
// fresh ones since.
#include "automation/operation.h"
#include "automation/text.h"
#include "installers/applications.h"
#include "installers/mtbo.h"

namespace tbo {
namespace {

// Reaches the application as the installation does. Returns false when it
// is not installed here, so that there is nothing to take out of it.
bool ReachedIfInstalled(Operation& op, Ref& app, const Application& application) {
  op.AttachOrLaunch(app, application.server(), Clear::LeftToCaller);
  const bool installed = !(app.IsEmpty() && op.PendingError() == application.notInstalled);
  if (!installed) op.Note(std::u16string(application.name) + u" is not installed here: there is no add-in to take out");
  op.ClearError();
  return installed;
}

}  // namespace

// The Word press only opened the add-in template: nothing of Word that TBO
// Setup could undo, while what the template itself set up when opened is
// the add-in's to take out. The note names the global template Word
// actually uses (Normal.dot, or Normal.dotm since Word 2007) as Word tells
// it: the running one, left running, or one started for that and quit.
void MTBO::UninstallWordTemplate() {
  Operation op = NewOperation();
  if (!Installed(kWord)) return op.Note(u"Word is not installed here: there is no add-in to take out");
  Ref app(kWord.reference);
  std::u16string normal;
  op.AttachOrLaunch(app, kWord.server(), Clear::LeftToCaller);                                  // 1
  const bool started = op.PendingError() != kNoError;
  op.ClearError();
  op.Step([&] {                                                                                 // 2
    const std::u16string path = app.Get(u"NormalTemplate").AsObject().Get(u"FullName").AsString();
    normal = path.substr(path.find_last_of(u'\\') + 1);
  });
  if (started) {
    op.QuitAndRelease(app, ReleaseForm::Single);                                                // 3
  } else {
    Operation::ReleaseOnly(app);
  }
  const bool known = !normal.empty();
  op.Note(Joined({u"TBO Setup's Word press only opened the add-in template, which changes nothing of Word that TBO Setup "
                  u"could undo; whatever the template itself set up when opened is the add-in's to take out. A global "
                  u"template set aside earlier stays in Word's templates folder as ",
                  known ? normal : u"Normal.dot or Normal.dotm", u".backup-N: rename the newest back to ",
                  known ? normal : u"its name without .backup-N", u", with Word closed, to have it again"}));
}

void MTBO::UninstallExcelAddIn() {
  Operation op = NewOperation();
  Ref app(kExcel.reference), addIn;
  if (!ReachedIfInstalled(op, app, kExcel)) {                                                   // 1
    Reach(Goal::ExcelAddInOff);
    return;
  }
  // Excel has no way to take an add-in off its list by automation: it stays
  // there, switched off.
  switch (op.LookUp(u"Excel add-in " + std::u16string(kAddInName), [&] { addIn = TheAddIn(app); })) {  // 2
    case Found::NotThere: Reach(Goal::ExcelAddInOff); break;
    case Found::Yes:
      op.Set([&] { return addIn; }, u"Installed", false);                                      // 3
      // 4: off only when Excel reads it back off.
      op.Step([&] {
        if (TheAddIn(app).Get(u"Installed").EqualsFalse()) {
          Reach(Goal::ExcelAddInOff);
        } else {
          op.Note(u"Excel add-in " + std::u16string(kAddInName) + u" still reads switched on");
        }
      });
      break;
    case Found::Failed: break;
  }
  addIn.Release();
  op.QuitAndRelease(app, ReleaseForm::Single);                                                 // 5
}

void MTBO::UninstallPowerPointAddIn() {
  Operation op = NewOperation();
  Ref app(kPowerPoint.reference), addIn;
  if (!ReachedIfInstalled(op, app, kPowerPoint)) {                                              // 1
    Reach(Goal::PowerPointAddInOut);
    Reach(Goal::PowerPointBarsGone);
    return;
  }
  const std::u16string named = u"PowerPoint add-in " + std::u16string(kAddInName);
  switch (op.LookUp(named, [&] { addIn = TheAddIn(app); })) {                                  // 2
    case Found::NotThere: Reach(Goal::PowerPointAddInOut); break;
    case Found::Yes:
      // Each tried whatever the one before did.
      op.Set([&] { return addIn; }, u"Loaded", false);                                         // 3
      op.Set([&] { return addIn; }, u"Registered", false);                                     // 4
      op.Step([&] { app.Get(u"AddIns").AsObject().Call(u"Remove", {kAddInName}); });          // 5
      // 6: out only when PowerPoint no longer lists it.
      op.Step([&] {
        if (Finds([&] { TheAddIn(app); })) return op.Note(u"PowerPoint add-in \"Tambrel_O21\" still listed after its removal");
        op.Changed(u"PowerPoint add-in \"Tambrel_O21\" taken off the list");
        Reach(Goal::PowerPointAddInOut);
      });
      break;
    case Found::Failed: break;
  }
  addIn.Release();
  DeleteTambrelToolbars(op, app);                                                               // 7
  DeleteTambrelMenus(op, app);                                                                  // 8
  op.Step([&] {                                                                                 // 9
    if (!HasTambrelBars(app)) Reach(Goal::PowerPointBarsGone);
  });
  op.Note(u"toolbar files set aside earlier stay in PowerPoint's folder as *.pcb.backup-N: with PowerPoint "
          u"closed, rename one back to its name without .backup-N to have it again");
  op.QuitAndRelease(app, ReleaseForm::WithoutYield);                                            // 10
}

}  // namespace tbo
