// The Excel add-in installer.
#include <chrono>

#include "automation/operation.h"
#include "automation/retry.h"
#include "automation/text.h"
#include "installers/applications.h"
#include "installers/mtbo.h"

namespace tbo {
namespace {

using namespace std::chrono_literals;

// How long Excel may take to read the add-in back off, and the sleep
// between passes.
constexpr Patience kExcelWait{30s, 100ms};
constexpr std::u16string_view kAddInFile = u"C:\\Tambrel\\Tambrel_O21.xla";

}  // namespace

void MTBO::RemoveOldExcelAddIn() {
  Operation op = NewOperation();
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

void MTBO::InstallExcelAddIn() {
  Operation op = NewOperation();
  Ref app(kExcel.reference);
  bool pathRead = false;

  op.AttachOrLaunch(app, kExcel.server());                                                     // 1
  if (op.Step([&] {                                                                   // 2
        app.Get(u"AddIns").AsObject().Call(u"Add", {kAddInFile});
      })) {
    op.Changed(u"Excel add-in \"C:\\Tambrel\\Tambrel_O21.xla\" added");
    Reach(Goal::ExcelAddInAdded);
  }
  // 3: until Excel reads the add-in back off, or the wait's bound is over:
  // an Excel that never does must not hold the window with its buttons grey.
  // Between passes the thread sleeps until input arrives, the window alive.
  WaitUntil(platform_.clock, platform_.events, kExcelWait, [&] {
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
            platform_.processes.Start(program, u"\"" + program + u"\" " + u" C:\\TamBrel\\Tambrel_O21.xla");
          });
        });
  op.YieldToPending();                                                                // 7
  op.YieldToPending();
  if (op.Set([&] { return TheAddIn(app); }, u"Installed", true)) Reach(Goal::ExcelAddInSwitchedOn);  // 8
  op.YieldToPending();                                                                // 9
  op.QuitAndRelease(app, ReleaseForm::Single);                                        // 10
}

}  // namespace tbo
