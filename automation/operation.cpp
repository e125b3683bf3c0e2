#include "automation/operation.h"

namespace tbo {

void Operation::AttachOrLaunch(Ref& app, const ServerName& server, Clear clear, Access access) {
  Step([&] { app = platform_.automation.GetActiveObject(server); });
  if (PendingError() != kNoError) {
    Step([&] { app = platform_.automation.CreateObject(server); });
  }
  if (clear == Clear::AtEnd) ClearError();
  // A creation too: PowerPoint hands it the instance already running.
  if (access == Access::Changes) LeaveIfTheUsers(app);
}

void Operation::LeaveIfTheUsers(Ref& app) {
  if (!judge_ || app.IsEmpty()) return;
  std::u16string why = judge_->Whose(app);
  if (why.empty()) return;
  app.Release();
  throw LeftToTheUser{std::move(why)};
}

void Operation::QuitAndRelease(Ref& app, ReleaseForm form) {
  // The user may have opened something in an instance the press started.
  LeaveIfTheUsers(app);
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

