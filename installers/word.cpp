// The Word template installer.
#include <chrono>

#include "automation/backup.h"
#include "automation/operation.h"
#include "automation/text.h"
#include "installers/applications.h"
#include "installers/mtbo.h"

namespace tbo {
namespace {

constexpr std::chrono::milliseconds kTemplateHeldAtMost{5000};
constexpr std::u16string_view kTemplate = u"C:\\TamBrel\\Tambrel_O21.dot";

std::u16string FullName(const Value& item) { return item.AsObject().Get(u"FullName").AsString(); }

}  // namespace

void MTBO::RemoveOldWordTemplates() {
  Operation op = NewOperation();
  Ref app(kWord.reference);
  std::u16string oldTemplatePath, normalTemplatePath;

  op.AttachOrLaunch(app, kWord.server());                                                    // 1
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
      MoveToBackupOnceFree(op.files(), platform_.clock, platform_.events, normalTemplatePath,
                           kTemplateHeldAtMost);
    }
  });
  op.RemoveFileIfPresent(oldTemplatePath);                                          // 5
  op.RemoveFileIfPresent(u"C:\\Tambrel\\tbadd.dot");                                // 6
}

void MTBO::InstallWordTemplate() {
  Operation op = NewOperation();
  Ref app(kWord.reference);

  op.AttachOrLaunch(app, kWord.server());                                                    // 1
  op.If([&] { return op.files().FindFirst(kTemplate) != u""; },                    // 2
        [&] {
          if (op.Step([&] {
                app.Get(u"Documents").AsObject().Call(u"Open", {}, {NamedArg{u"FileName", kTemplate}});
              })) {
            op.Changed(u"Word opened \"C:\\TamBrel\\Tambrel_O21.dot\"");
            Reach(Goal::TemplateOpened);
          }
        });
  op.Step([&] { app.Put(u"Visible", true); });                                      // 3
  Operation::ReleaseOnly(app);                                                      // 4
}

}  // namespace tbo
