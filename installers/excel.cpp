// The Excel add-in installer.
#include "installers/excel.h"

#include <chrono>

#include "automation/operation.h"
#include "automation/retry.h"
#include "automation/text.h"

namespace tbo::MTBO {
namespace {

using namespace std::chrono_literals;

// How long Excel may take to read the add-in back off, and the sleep
// between passes.
constexpr Patience kExcelWait{30s, 100ms};
constexpr std::u16string_view kAddInFile = u"C:\\Tambrel\\Tambrel_O21.xla";

}  // namespace

void RemoveOldExcelAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  std::u16string& foundFileName = press.shared().foundFileName;
  std::u16string& appFolder = press.shared().appFolder;
  Ref app(kExcel.reference);
  // Folder-relative searches only make sense with a folder Excel gave in
  // this press, and an absolute one; otherwise they would reach the current
  // folder or the root of the current drive.
  bool startupRead = false;

  op.AttachOrLaunch(app, kExcel.server());                                                     // 1
  op.Step([&] {                                                                       // 2
    appFolder = app.Get(u"StartupPath").AsString();
    startupRead = true;
  });
  op.QuitAndRelease(app);                                                             // 3
  if (startupRead && IsAbsoluteFolder(appFolder)) {
    op.Step([&] { foundFileName = op.files().FindFirst(appFolder + u"\\tbadd.xla"); });  // 4
    op.If([&] { return foundFileName != u""; }, [&] {                                 // 5
      op.Step([&] { op.files().SetNormalAttributes(appFolder + u"\\" + foundFileName); });  // 5.1
      op.Step([&] { op.files().Delete(appFolder + u"\\" + foundFileName); });        // 5.2
    });
    op.Step([&] { appFolder = ReplaceAll(appFolder, u"XLSTART", u""); });             // 6
    op.Step([&] { foundFileName = op.files().FindFirst(appFolder + u"tbadd.xls"); });  // 7
    op.If([&] { return foundFileName != u""; }, [&] {                                 // 8
      op.Step([&] { op.files().SetNormalAttributes(appFolder + foundFileName); });    // 8.1
      op.Step([&] { op.files().Delete(appFolder + foundFileName); });                 // 8.2
    });
  }
  op.RemoveFileIfPresent(u"C:\\Tambrel\\tbadd.xla");                                  // 9
}

void InstallExcelAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  const Platform& platform = press.platform();
  std::u16string& appFolder = press.shared().appFolder;
  Ref app(kExcel.reference);
  bool pathRead = false;

  op.AttachOrLaunch(app, kExcel.server());                                                     // 1
  if (op.Step([&] {                                                                   // 2
        app.Get(u"AddIns").AsObject().Call(u"Add", {kAddInFile});
      })) {
    op.Changed(u"Excel add-in \"C:\\Tambrel\\Tambrel_O21.xla\" added");
    press.Reach(kExcelAddInAdded);
  }
  // 3: until Excel reads the add-in back off, or the wait's bound is over:
  // an Excel that never does must not hold the window with its buttons grey.
  // Between passes the thread sleeps until input arrives, the window alive.
  WaitUntil(platform.clock, platform.events, kExcelWait, [&] {
    op.Set([&] { return TheAddIn(app); }, u"Installed", false);                                      // 3.1
    op.YieldToPending();                                                              // 3.2
    bool leave = true;                                                                // 3.3: a failing test leaves
    op.Step([&] { leave = TheAddIn(app).Get(u"Installed").EqualsFalse(); });
    return leave;
  });
  op.YieldToPending();                                                                // 4
  op.YieldToPending();
  op.Step([&] {                                                                       // 5
    appFolder = app.Get(u"Path").AsString();
    pathRead = true;
  });
  op.If([&] { return op.files().FindFirst(u"C:\\TamBrel\\Tambrel_O21.xla") != u""; },  // 6
        [&] {
          // 6.1: the program is named explicitly and its path quoted, since
          // Office folders have blanks: no other program can start, and
          // Excel's own parsing cannot split the path into files to open.
          op.Step([&] {
            if (!pathRead || !IsAbsoluteFolder(appFolder)) return;
            const std::u16string program = appFolder + u"\\EXCEL.EXE";
            platform.processes.Start(program, u"\"" + program + u"\" " + u" C:\\TamBrel\\Tambrel_O21.xla");
          });
        });
  op.YieldToPending();                                                                // 7
  op.YieldToPending();
  if (op.Set([&] { return TheAddIn(app); }, u"Installed", true)) press.Reach(kExcelAddInSwitchedOn);  // 8
  op.YieldToPending();                                                                // 9
  op.QuitAndRelease(app, ReleaseForm::Single);                                        // 10
}

// Excel has no way to take an add-in off its list by automation: it stays
// there, switched off.
void UninstallExcelAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  Ref app(kExcel.reference), addIn;
  if (!ReachedIfInstalled(op, app, kExcel)) {                                                   // 1
    press.Reach(kExcelAddInOff);
    return;
  }
  switch (op.LookUp(u"Excel add-in " + std::u16string(kAddInName), [&] { addIn = TheAddIn(app); })) {  // 2
    case Found::NotThere: press.Reach(kExcelAddInOff); break;
    case Found::Yes:
      op.Set([&] { return addIn; }, u"Installed", false);                                      // 3
      // 4: off only when Excel reads it back off.
      op.Step([&] {
        if (TheAddIn(app).Get(u"Installed").EqualsFalse()) {
          press.Reach(kExcelAddInOff);
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

// What lasts of the press in Excel: the add-in listed, and switched on.
void CheckExcelAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  Reading excel = ReachedToRead(op, kExcel);                                                   // 1
  Ref addIn;
  if (op.LookUp(u"Excel add-in " + std::u16string(kAddInName), [&] { addIn = TheAddIn(excel.app); }) ==  // 2
      Found::Yes) {
    press.Reach(kExcelAddInAdded);
    op.Step([&] {                                                                               // 3
      const bool on = addIn.Get(u"Installed").AsBool();
      if (on) press.Reach(kExcelAddInSwitchedOn);
      op.Note(Joined({u"Excel lists ", kAddInName, on ? u", switched on" : u", switched off"}));
    });
  }
  addIn.Release();
  if (!AllRead(op, excel)) press.CouldNotRead();
  DoneReading(op, excel);                                                                      // 4
}

}  // namespace tbo::MTBO
