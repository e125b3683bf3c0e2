#include "automation/operation.h"

namespace tbo {

void Operation::AttachOrLaunch(Ref& app, std::u16string_view progId, Clear clear) {
  Step([&] { app = platform_.automation.GetActiveObject(progId); });
  if (PendingError() != kNoError) {
    Step([&] { app = platform_.automation.CreateObject(progId); });
  }
  if (clear == Clear::AtEnd) ClearError();
}

void Operation::QuitAndRelease(Ref& app, ReleaseForm form) {
  Step([&] { app.Call(u"Quit"); });
  if (form == ReleaseForm::Single) {
    app.Release();
    return;
  }
  do {
    app.Release();
    if (form == ReleaseForm::Plain) YieldToPending();
  } while (!app.IsEmpty());
}

void Operation::RemoveFileIfPresent(std::u16string_view path) {
  If([&] { return files().FindFirst(path) != u""; },
     [&] {
       Step([&] { files().SetNormalAttributes(path); });
       Step([&] { files().Delete(path); });
     });
}

}  // namespace tbo

