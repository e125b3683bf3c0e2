// The Word template installer.
#include "installers/word.h"

#include <chrono>

#include "automation/backup.h"
#include "automation/operation.h"
#include "automation/text.h"

namespace tbo::MTBO {
namespace {

constexpr std::chrono::milliseconds kTemplateHeldAtMost{5000};
constexpr std::u16string_view kTemplate = u"C:\\TamBrel\\Tambrel_O21.dot";

std::u16string FullName(const Value& item) { return item.AsObject().Get(u"FullName").AsString(); }

}  // namespace

void RemoveOldWordTemplates(PressContext& press) {
  Operation op = press.NewOperation();
  const Platform& platform = press.platform();
  Ref app(kWord.reference);
  std::u16string oldTemplatePath, normalTemplatePath;

  op.AttachOrLaunch(app, kWord.server());                                           // 1
  op.ForEach([&] { return app.Get(u"Templates"); }, [&](const Value& item) {        // 2
    op.If([&] { return Contains(FullName(item), u"tbadd.dot"); },                   // 2.1
          [&] { op.Step([&] { oldTemplatePath = FullName(item); }); });
    op.If([&] { return Contains(FullName(item), u"Normal.dot"); },                  // 2.2
          [&] { op.Step([&] { normalTemplatePath = FullName(item); }); });
  });
  op.QuitAndRelease(app);                                                           // 3
  // 4: with Word closed, set the global template aside so Word makes a fresh
  // one while the user's own customisations stay recoverable. A Word still
  // shutting down holds it for a while.
  op.Step([&] {
    if (!normalTemplatePath.empty()) {
      MoveToBackupOnceFree(op.files(), platform.clock, platform.events, normalTemplatePath, kTemplateHeldAtMost);
    }
  });
  op.RemoveFileIfPresent(oldTemplatePath);                                          // 5
  op.RemoveFileIfPresent(u"C:\\Tambrel\\tbadd.dot");                                // 6
}

void InstallWordTemplate(PressContext& press) {
  Operation op = press.NewOperation();
  Ref app(kWord.reference);

  op.AttachOrLaunch(app, kWord.server());                                           // 1
  op.If([&] { return op.files().FindFirst(kTemplate) != u""; },                    // 2
        [&] {
          if (op.Step([&] {
                app.Get(u"Documents").AsObject().Call(u"Open", {}, {NamedArg{u"FileName", kTemplate}});
              })) {
            op.Changed(u"Word opened \"C:\\TamBrel\\Tambrel_O21.dot\"");
            press.Reach(kTemplateOpened);
          }
        });
  op.Step([&] { app.Put(u"Visible", true); });                                      // 3
  Operation::ReleaseOnly(app);                                                      // 4
}

// The press only opened the add-in template: nothing of Word that TBO Setup
// could undo, while what the template itself set up when opened is the
// add-in's to take out. The note names the global template Word actually
// uses (Normal.dot, or Normal.dotm since Word 2007) as Word tells it: the
// running one, left running, or one started for that and quit.
void UninstallWordTemplate(PressContext& press) {
  Operation op = press.NewOperation();
  if (!press.platform().automation.Knows(kWord.server())) {
    return op.Note(u"Word is not installed here: there is no add-in to take out");
  }
  Ref app(kWord.reference);
  std::u16string normal;
  op.AttachOrLaunch(app, kWord.server(), Clear::LeftToCaller, Access::ReadOnly);    // 1
  const bool started = op.PendingError() != kNoError;
  op.ClearError();
  op.Step([&] {                                                                     // 2
    const std::u16string path = app.Get(u"NormalTemplate").AsObject().Get(u"FullName").AsString();
    normal = path.substr(path.find_last_of(u'\\') + 1);
  });
  if (started) {
    op.QuitAndRelease(app, ReleaseForm::Single);                                    // 3
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

void CheckWordTemplate(PressContext& press) {
  Operation op = press.NewOperation();
  op.If([&] { return op.files().FindFirst(kTemplate) != u""; },                    // 1
        [&] { press.Reach(kTemplatePresent); });
  Reading word = ReachedToRead(op, kWord);                                          // 2
  bool listed = false;
  op.ForEach([&] { return word.app.Get(u"Templates"); }, [&](const Value& item) {   // 3
    op.Step([&] { listed = listed || Contains(FullName(item), u"Tambrel_O21.dot"); });
  });
  if (AllRead(op, word)) {
    op.Note(listed ? u"Word lists the add-in template among its templates"
                   : u"Word does not list the add-in template among its templates (it does while the template is "
                     u"open)");
  }
  DoneReading(op, word);                                                            // 4
}

}  // namespace tbo::MTBO
