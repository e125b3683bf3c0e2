// The Excel add-in installer.
#include <chrono>

#include "automation/operation.h"
#include "automation/text.h"
#include "installers/applications.h"
#include "installers/mtbo.h"

namespace tbo {
namespace {

using namespace std::chrono_literals;

// An Excel that never reports the add-in off must not hold the window with
// its buttons disabled for ever; between passes the thread sleeps until
// input arrives rather than spinning a core.
constexpr auto kWaitBound = 30s;
constexpr auto kPassWait = 100ms;

}  // namespace

void MTBO::RemoveOldExcelAddIn() {
  Operation op(platform_, observer_);
  Ref app(kExcelApp);
  // Folder-relative searches only make sense with a folder Excel gave in
  // this press, and an absolute one; otherwise they would reach the current
  // folder or the root of the current drive.
  bool startupRead = false;

  op.AttachOrLaunch(app, kExcel);                                                     // 1
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
  Operation op(platform_, observer_);
  Ref app(kExcelApp);
  bool pathRead = false;

  op.AttachOrLaunch(app, kExcel);                                                     // 1
  if (op.Step([&] {                                                                   // 2
        app.Get(u"AddIns").AsObject().Call(u"Add", {u"C:\\Tambrel\\Tambrel_O21.xla"});
      })) {
    Reach(Goal::ExcelAddInAdded);
  }
  const auto waitEnds = platform_.clock.Now() + kWaitBound;
  op.DoUntil(                                                                         // 3
      [&] {
        op.Step([&] { TheAddIn(app).Put(u"Installed", false); });                       // 3.1
        op.YieldToPending();                                                          // 3.2
      },
      [&] {                                                                           // 3.3
        if (TheAddIn(app).Get(u"Installed").EqualsFalse()) return true;
        if (platform_.clock.Now() >= waitEnds) return true;
        platform_.events.WaitForEvents(kPassWait);
        return false;
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
  if (op.Step([&] { TheAddIn(app).Put(u"Installed", true); })) Reach(Goal::ExcelAddInSwitchedOn);  // 8
  op.YieldToPending();                                                                // 9
  op.QuitAndRelease(app, ReleaseForm::Single);                                        // 10
}

}  // namespace tbo
