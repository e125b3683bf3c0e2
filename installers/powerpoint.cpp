// The PowerPoint add-in installer.
#include "installers/powerpoint.h"

#include "automation/backup.h"
#include "automation/operation.h"
#include "automation/text.h"

namespace tbo::MTBO {
namespace {

// Wildcards also match generated 8.3 names ("*.pcb" finds "Notes.pcbx"), so
// only a name whose extension is exactly ".pcb", in any letter case, is a
// command-bar file.
constexpr std::u16string_view kAddInFile = u"C:\\Tambrel\\Tambrel_O21.ppa";

// "\"C:\\x\\a.ppa\"", or how the add-in was reached when PowerPoint does not
// tell its file.
std::u16string FullNameOf(const Ref& addIn) {
  try {
    return Spelled(addIn.Get(u"FullName"));
  } catch (const AutomationError&) {
    return addIn.Described();
  }
}

bool IsCommandBarFile(std::u16string_view name) {
  constexpr std::u16string_view kExtension = u".pcb";
  if (name.size() <= kExtension.size()) return false;
  const std::u16string_view tail = name.substr(name.size() - kExtension.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    char16_t c = tail[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != kExtension[i]) return false;
  }
  return true;
}

}  // namespace

void RemoveOldPowerPointAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  std::u16string& foundFileName = press.shared().foundFileName;
  Ref app(kExcel.reference);
  std::u16string powerPointFolder;
  // The command-bar files are only looked for in an absolute folder Excel
  // gave in this press, never in whatever the current folder is.
  bool folderRead = false;

  op.AttachOrLaunch(app, kExcel.server(), Clear::LeftToCaller);                              // 1
  op.Step([&] {                                                                     // 2
    powerPointFolder = app.Get(u"StartupPath").AsString();
    folderRead = true;
  });
  op.QuitAndRelease(app);                                                           // 3
  op.Step([&] {                                                                     // 4
    powerPointFolder = ReplaceAll(powerPointFolder, u"Excel\\XLSTART", u"PowerPoint\\");
  });
  if (folderRead && IsAbsoluteFolder(powerPointFolder)) {
    // A search or continuation that fails counts as one that found nothing,
    // so the loop always ends; the failure still stays pending.
    op.Step([&] {                                                                   // 5
      foundFileName = u"";
      foundFileName = op.files().FindFirst(powerPointFolder + u"*.pcb", Search::Continued);
    });
    op.While([&] { return foundFileName != u""; }, [&] {                            // 6
      op.Step([&] {                                                                 // 6.1
        // They hold the user's own customisations too: set aside, not deleted.
        if (IsCommandBarFile(foundFileName)) {
          MoveToBackup(op.files(), powerPointFolder + foundFileName);
        }
      });
      op.YieldToPending();                                                          // 6.2
      op.Step([&] {                                                                 // 6.3
        foundFileName = u"";
        foundFileName = op.files().FindNext();
      });
    });
  }
  op.RemoveFileIfPresent(u"c:\\TamBrel\\tbadd.ppa");                                // 7
  app = Ref(kPowerPoint.reference);
  op.AttachOrLaunch(app, kPowerPoint.server(), Clear::LeftToCaller);                         // 8
  if (app.IsEmpty()) return;                                                        // 9
  op.ClearError();                                                                  // 10
  // 11: a count that cannot be read or does not fit 16 bits skips the loop.
  int count = 0;
  op.Step([&] { count = app.Get(u"AddIns").AsObject().Get(u"Count").AsInt16(); });
  for (int i = 1; i <= count; ++i) {
    const Value index = Value::I2(static_cast<std::int16_t>(i));
    // Every add-in is switched off, other vendors' too: the log names each
    // by its file, so that whoever reads it knows whose.
    for (const auto& [member, done] : {std::pair{u"Loaded", u" unloaded"}, std::pair{u"Registered", u" unregistered"}}) {
      std::u16string named;
      if (op.Step([&] {                                                             // 11.1, 11.2
            const Ref addIn = app.Get(u"AddIns", {index}).AsObject();
            addIn.Put(member, false);
            named = FullNameOf(addIn);
          })) {
        op.Changed(u"PowerPoint add-in " + named + done);
      }
    }
  }
  op.QuitAndRelease(app, ReleaseForm::WithoutYield);                                // 12
}

void InstallPowerPointAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  Ref app(kPowerPoint.reference);

  op.AttachOrLaunch(app, kPowerPoint.server());                                              // 1
  op.If([&] { return op.files().FindFirst(u"C:\\TamBrel\\Tambrel_O21.ppa") != u""; },  // 2
        [&] {
          BuildTambrelMenus(press, app);                                                   // 2.1
          // 2.2: one step; the add-in's addition is told even when its
          // automatic loading is refused.
          if (op.Set(
                  [&] {
                    const Ref added = app.Get(u"AddIns").AsObject().Call(u"Add", {kAddInFile}).AsObject();
                    op.Changed(u"PowerPoint add-in \"C:\\Tambrel\\Tambrel_O21.ppa\" added");
                    return added;
                  },
                  u"Autoload", true)) {
            press.Reach(kPowerPointAddInAutoload);
          }
        });
  op.Step([&] { app.Put(u"Visible", true); });                                      // 3
  Operation::ReleaseOnly(app);                                                      // 4
}

void UninstallPowerPointAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  Ref app(kPowerPoint.reference), addIn;
  if (!ReachedIfInstalled(op, app, kPowerPoint)) {                                              // 1
    press.Reach(kPowerPointAddInOut);
    press.Reach(kPowerPointBarsGone);
    return;
  }
  const std::u16string named = u"PowerPoint add-in " + std::u16string(kAddInName);
  switch (op.LookUp(named, [&] { addIn = TheAddIn(app); })) {                                  // 2
    case Found::NotThere: press.Reach(kPowerPointAddInOut); break;
    case Found::Yes:
      // Each tried whatever the one before did.
      op.Set([&] { return addIn; }, u"Loaded", false);                                         // 3
      op.Set([&] { return addIn; }, u"Registered", false);                                     // 4
      op.Step([&] { app.Get(u"AddIns").AsObject().Call(u"Remove", {kAddInName}); });          // 5
      // 6: out only when PowerPoint no longer lists it.
      op.Step([&] {
        if (Finds(op, [&] { TheAddIn(app); })) return op.Note(u"PowerPoint add-in \"Tambrel_O21\" still listed after its removal");
        op.Changed(u"PowerPoint add-in \"Tambrel_O21\" taken off the list");
        press.Reach(kPowerPointAddInOut);
      });
      break;
    case Found::Failed: break;
  }
  addIn.Release();
  DeleteTambrelToolbars(op, app);                                                               // 7
  DeleteTambrelMenus(op, app);                                                                  // 8
  op.Step([&] {                                                                                 // 9
    if (!HasTambrelBars(op, app)) press.Reach(kPowerPointBarsGone);
  });
  op.Note(u"toolbar files set aside earlier stay in PowerPoint's folder as *.pcb.backup-N: with PowerPoint "
          u"closed, rename one back to its name without .backup-N to have it again");
  op.QuitAndRelease(app, ReleaseForm::WithoutYield);                                            // 10
}

// What lasts of the press in PowerPoint: the add-in listed and loading
// automatically, the toolbar and the menu with their entries.
void CheckPowerPointAddIn(PressContext& press) {
  Operation op = press.NewOperation();
  Reading powerPoint = ReachedToRead(op, kPowerPoint);                                          // 1
  Ref addIn;
  if (op.LookUp(u"PowerPoint add-in " + std::u16string(kAddInName), [&] { addIn = TheAddIn(powerPoint.app); }) ==
      Found::Yes) {                                                                             // 2
    op.Step([&] {
      const bool autoload = addIn.Get(u"Autoload").AsBool();
      if (autoload) press.Reach(kPowerPointAddInAutoload);
      op.Note(Joined({u"PowerPoint lists ", kAddInName, autoload ? u", loading automatically" : u", not loading "
                                                                                              u"automatically"}));
    });
  }
  addIn.Release();
  CheckTambrelMenus(press, op, powerPoint.app);                                                 // 3
  if (!AllRead(op, powerPoint)) press.CouldNotRead();
  DoneReading(op, powerPoint);                                                                  // 4
}

}  // namespace tbo::MTBO
