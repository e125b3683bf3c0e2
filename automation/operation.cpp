#include "automation/operation.h"

namespace tbo {

void Operation::AttachOrLaunch(Ref& app, const ServerName& server, Clear clear) {
  Step([&] { app = platform_.automation.GetActiveObject(server); });
  if (PendingError() != kNoError) {
    Step([&] { app = platform_.automation.CreateObject(server); });
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

bool Operation::Set(FunctionRef<Ref()> reach, std::u16string_view member, const Value& value) {
  std::u16string described;
  if (!Step([&] {
        const Ref object = reach();
        object.Put(member, value);
        described = object.Described();
      })) {
    return false;
  }
  Changed(described + u"." + std::u16string(member) + u" set to " + Spelled(value));
  return true;
}

void Operation::RemoveFileIfPresent(std::u16string_view path) {
  If([&] { return files().FindFirst(path) != u""; },
     [&] {
       Step([&] { files().SetNormalAttributes(path); });
       Step([&] { files().Delete(path); });
     });
}

}  // namespace tbo

