#include "standins/server.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <utility>

#include "standins/dispatch.h"
#include "standins/store.h"

namespace tbo::standin {
namespace {

Server* current = nullptr;

Json ControlToJson(const ControlData& c) {
  Json j = Json::MakeObject();
  j.Set("type", static_cast<std::int64_t>(c.type));
  j.Set("caption", Utf8(c.caption));
  j.Set("onAction", Utf8(c.onAction));
  j.Set("faceId", static_cast<std::int64_t>(c.faceId));
  j.Set("shortcutText", Utf8(c.shortcutText));
  j.Set("beginGroup", c.beginGroup);
  Json children = Json::MakeArray();
  for (const auto& child : c.controls) children.Push(ControlToJson(*child));
  j.Set("controls", std::move(children));
  return j;
}

std::shared_ptr<ControlData> ControlFromJson(const Json& j) {
  auto c = std::make_shared<ControlData>();
  c->type = static_cast<long>(j.Get("type").Int(1));
  c->caption = FromUtf8(j.Get("caption").Str());
  c->onAction = FromUtf8(j.Get("onAction").Str());
  c->faceId = static_cast<long>(j.Get("faceId").Int(0));
  c->shortcutText = FromUtf8(j.Get("shortcutText").Str());
  c->beginGroup = j.Get("beginGroup").Bool();
  for (const Json& child : j.Get("controls").Items()) c->controls.push_back(ControlFromJson(child));
  return c;
}

bool RemoveFrom(std::vector<std::shared_ptr<ControlData>>& list, const ControlData* target) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->get() == target) {
      list.erase(it);
      return true;
    }
    if (RemoveFrom((*it)->controls, target)) return true;
  }
  return false;
}

bool Matches(const Json& entry, std::string_view app, const char* cls, std::wstring_view member) {
  if (entry.Get("app").Str() != app) return false;
  if (!SameText(FromUtf8(entry.Get("member").Str()), member)) return false;
  return !entry.Has("class") || entry.Get("class").Str() == cls;
}

}  // namespace

bool SameText(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(x) == std::towlower(y);
         });
}

std::wstring WithoutAccelerator(std::wstring_view caption) {
  std::wstring out;
  for (const wchar_t c : caption) {
    if (c != L'&') out += c;
  }
  return out;
}

HRESULT ParseError(const Json& error) {
  if (error.IsNumber()) return static_cast<HRESULT>(error.Int());
  const std::string text = error.Str("0x80004005");
  return static_cast<HRESULT>(std::strtoul(text.c_str(), nullptr, 0));
}

Server::Server(std::string app, bool userStarted)
    : app_(std::move(app)), userStarted_(userStarted), mainThread_(::GetCurrentThreadId()) {
  current = this;
  if (app_ == "powerpoint") {
    auto menu = std::make_shared<BarData>();
    menu->name = L"Menu Bar";
    menu->menuBar = true;
    menu->visible = true;
    bars.push_back(std::move(menu));
  }
}

Server::~Server() { current = nullptr; }

Server& Server::Current() { return *current; }

std::wstring Server::StateFile() const { return StorePath(FromUtf8(app_) + L".json"); }

Json Server::ToJson() const {
  Json j = Json::MakeObject();
  j.Set("installed", true);
  j.Set("visible", visible);
  if (app_ == "word") {
    Json t = Json::MakeArray(), d = Json::MakeArray();
    for (const auto& s : templates) t.Push(Utf8(s));
    for (const auto& s : documents) d.Push(Utf8(s));
    j.Set("templates", std::move(t));
    j.Set("documents", std::move(d));
  } else if (app_ == "excel") {
    j.Set("startupPath", Utf8(startupPath));
    j.Set("path", Utf8(path));
    Json list = Json::MakeArray();
    for (const auto& a : addins) {
      Json item = Json::MakeObject();
      item.Set("name", Utf8(a->name));
      item.Set("fullName", Utf8(a->fullName));
      item.Set("installed", a->installed);
      list.Push(std::move(item));
    }
    j.Set("addins", std::move(list));
    j.Set("installedStaysTrue", static_cast<std::int64_t>(installedStaysTrue));
  } else {
    Json list = Json::MakeArray();
    for (const auto& a : addins) {
      Json item = Json::MakeObject();
      item.Set("fullName", Utf8(a->fullName));
      item.Set("loaded", a->loaded);
      item.Set("registered", a->registered);
      item.Set("autoload", a->autoload);
      list.Push(std::move(item));
    }
    j.Set("addins", std::move(list));
    Json barList = Json::MakeArray();
    for (const auto& b : bars) {
      Json bar = Json::MakeObject();
      bar.Set("name", Utf8(b->name));
      bar.Set("menuBar", b->menuBar);
      bar.Set("visible", b->visible);
      Json controls = Json::MakeArray();
      for (const auto& c : b->controls) controls.Push(ControlToJson(*c));
      bar.Set("controls", std::move(controls));
      barList.Push(std::move(bar));
    }
    j.Set("commandBars", std::move(barList));
  }
  return j;
}

void Server::FromJson(const Json& j) {
  if (!j.IsObject()) return;
  for (const Json& s : j.Get("templates").Items()) templates.push_back(FromUtf8(s.Str()));
  if (j.Has("startupPath")) startupPath = FromUtf8(j.Get("startupPath").Str());
  if (j.Has("path")) path = FromUtf8(j.Get("path").Str());
  installedStaysTrue = static_cast<long>(j.Get("installedStaysTrue").Int(0));
  for (const Json& a : j.Get("addins").Items()) {
    auto add = std::make_shared<AddInData>();
    add->fullName = FromUtf8(a.Get("fullName").Str());
    add->name = FromUtf8(a.Get("name").Str());
    if (add->name.empty()) {
      // Office lists an add-in under its file name without the extension.
      std::wstring base = add->fullName.substr(add->fullName.find_last_of(L"\\/") + 1);
      add->name = base.substr(0, base.find_last_of(L'.'));
    }
    add->installed = a.Get("installed").Bool();
    add->loaded = a.Get("loaded").Bool();
    add->registered = a.Get("registered").Bool();
    add->autoload = a.Get("autoload").Bool();
    addins.push_back(std::move(add));
  }
  if (j.Has("commandBars")) {
    bars.clear();
    for (const Json& b : j.Get("commandBars").Items()) {
      auto bar = std::make_shared<BarData>();
      bar->name = FromUtf8(b.Get("name").Str());
      bar->menuBar = b.Get("menuBar").Bool();
      bar->visible = b.Get("visible").Bool();
      for (const Json& c : b.Get("controls").Items()) bar->controls.push_back(ControlFromJson(c));
      bars.push_back(std::move(bar));
    }
  }
}

void Server::Load() {
  StoreLock lock;
  FromJson(ReadJsonFile(StateFile()));
}

// Every instance's pid stays listed until it exits; "running" says whether
// any is left (one killed with the prefix counts as still running).
void Server::UpdatePids(bool add) {
  Json j = ToJson();
  const Json old = ReadJsonFile(StateFile());
  const std::int64_t self = ::GetCurrentProcessId();
  Json pids = Json::MakeArray();
  for (const Json& p : old.Get("pids").Items()) {
    if (p.Int() != self) pids.Push(p);
  }
  if (add) pids.Push(self);
  j.Set("running", !pids.Items().empty());
  j.Set("pids", std::move(pids));
  WriteFileText(StateFile(), j.Dump());
}

void Server::Save() {
  StoreLock lock;
  UpdatePids(true);
}

void Server::Started() {
  {
    StoreLock lock;
    UpdatePids(true);
  }
  Json line = Json::MakeObject();
  line.Set("event", "start");
  line.Set("commandLine", Utf8(::GetCommandLineW()));
  Journal(app_, std::move(line));
}

void Server::Stopped() {
  {
    StoreLock lock;
    UpdatePids(false);
  }
  Json line = Json::MakeObject();
  line.Set("event", "exit");
  Journal(app_, std::move(line));
}

void Die(std::string_view app, const char* when) {
  Json line = Json::MakeObject();
  line.Set("event", "die");
  line.Set("when", when);
  Journal(app, std::move(line));
  ::TerminateProcess(::GetCurrentProcess(), 9);
  for (;;) ::Sleep(INFINITE);
}

void Server::BeforeCall(const char* cls, std::wstring_view member) {
  bool hold = false;
  const char* die = nullptr;
  {
    StoreLock lock;
    Json control = ReadJsonFile(StorePath(L"control.json"));
    // "dies": the process ends during its calls-th matching call, or right
    // after answering it.
    Json dies = control.Get("dies");
    for (Json& d : dies.MutableItems()) {
      if (d.Get("app").Str() != app_ || d.Get("done").Bool()) continue;
      if (d.Has("member") && !Matches(d, app_, cls, member)) continue;
      if (!d.Has("member") && d.Has("class") && d.Get("class").Str() != cls) continue;
      const std::int64_t left = d.Get("calls").Int(1) - 1;
      d.Set("calls", left);
      if (left <= 0) {
        d.Set("done", true);
        die = d.Get("when").Str() == "after" ? "after" : "during";
      }
      control.Set("dies", dies);
      WriteFileText(StorePath(L"control.json"), control.Dump());
      break;
    }
    Json faults = control.Get("faults");
    for (Json& f : faults.MutableItems()) {
      if (!Matches(f, app_, cls, member)) continue;
      // "after": that many matching calls go through first.
      if (const std::int64_t after = f.Get("after").Int(0); after > 0) {
        f.Set("after", after - 1);
        control.Set("faults", faults);
        WriteFileText(StorePath(L"control.json"), control.Dump());
        continue;
      }
      // A fault without a count fails every time.
      const std::int64_t times = f.Get("times").Int(-1);
      if (times == 0) continue;
      if (times > 0) {
        f.Set("times", times - 1);
        control.Set("faults", faults);
        WriteFileText(StorePath(L"control.json"), control.Dump());
      }
      Raise(ParseError(f.Get("error")));
    }
    if (die && std::string_view(die) == "during") {
      Die(app_, die);
    }
    dieAfterCall_ = die != nullptr;
    Json held = control.Get("hold");
    if (held.IsObject() && !held.Get("done").Bool() && Matches(held, app_, cls, member)) {
      held.Set("done", true);
      control.Set("hold", held);
      WriteFileText(StorePath(L"control.json"), control.Dump());
      hold = true;
    }
  }
  if (!hold) return;
  // The harness looks for this file, reads the window, then releases us
  // (or ends this process, whose number it finds beside).
  WriteFileText(StorePath(L"hold.pid"), std::to_string(::GetCurrentProcessId()));
  WriteFileText(StorePath(L"hold.reached"), Utf8(member));
  const std::wstring release = StorePath(L"hold.release");
  while (::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES) ::Sleep(20);
}

void Server::AfterCall() {
  if (std::exchange(dieAfterCall_, false)) ::PostThreadMessageW(mainThread_, kDieMessage, 0, 0);
}

bool Server::RejectBusy() {
  StoreLock lock;
  Json control = ReadJsonFile(StorePath(L"control.json"));
  Json busy = control.Get("busy");
  for (Json& b : busy.MutableItems()) {
    if (b.Get("app").Str() != app_ || b.Get("calls").Int() <= 0) continue;
    b.Set("calls", b.Get("calls").Int() - 1);
    control.Set("busy", busy);
    WriteFileText(StorePath(L"control.json"), control.Dump());
    return true;
  }
  return false;
}

void Server::RequestQuit() {
  quit_ = true;
  if (onQuit) onQuit();
}

void Server::OnIdle() {
  if (quit_) ::PostThreadMessageW(mainThread_, WM_QUIT, 0, 0);
}

void Server::RemoveControl(const ControlData* control) {
  for (auto& bar : bars) {
    if (RemoveFrom(bar->controls, control)) return;
  }
}

}  // namespace tbo::standin
