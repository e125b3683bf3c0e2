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

Json ControlsToJson(const std::vector<std::shared_ptr<ControlData>>& controls) {
  Json list = Json::array();
  for (const auto& c : controls) {
    list.push_back({{"type", c->type},
                    {"caption", Utf8(c->caption)},
                    {"onAction", Utf8(c->onAction)},
                    {"faceId", c->faceId},
                    {"shortcutText", Utf8(c->shortcutText)},
                    {"beginGroup", c->beginGroup},
                    {"controls", ControlsToJson(c->controls)}});
  }
  return list;
}

std::shared_ptr<ControlData> ControlFromJson(const Json& j) {
  auto c = std::make_shared<ControlData>();
  c->type = static_cast<long>(Int(Get(j, "type"), 1));
  c->caption = FromUtf8(Str(Get(j, "caption")));
  c->onAction = FromUtf8(Str(Get(j, "onAction")));
  c->faceId = static_cast<long>(Int(Get(j, "faceId")));
  c->shortcutText = FromUtf8(Str(Get(j, "shortcutText")));
  c->beginGroup = Bool(Get(j, "beginGroup"));
  for (const Json& child : Items(Get(j, "controls"))) c->controls.push_back(ControlFromJson(child));
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

// An entry without a member matches every call of its application.
bool Matches(const Json& entry, std::string_view app, const char* cls, std::wstring_view member) {
  if (Str(Get(entry, "app")) != app) return false;
  if (entry.contains("member") && !SameText(FromUtf8(Str(Get(entry, "member"))), member)) return false;
  return !entry.contains("class") || Str(Get(entry, "class")) == cls;
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
  if (error.is_number()) return static_cast<HRESULT>(Int(error));
  const std::string text = Str(error, "0x80004005");
  return static_cast<HRESULT>(std::strtoul(text.c_str(), nullptr, 0));
}

Server::Server(std::string app, bool userStarted)
    : app_(std::move(app)), userStarted_(userStarted), mainThread_(::GetCurrentThreadId()) {
  current = this;
}

Server::~Server() {
  current = nullptr;
}

Server& Server::Current() { return *current; }

std::wstring Server::StateFile() const { return StorePath(FromUtf8(app_) + L".json"); }

// The state in the shape the harness gave it: the keys it started with,
// whichever application this is.
Json Server::ToJson() const {
  Json t = Json::array(), d = Json::array(), list = Json::array(), barList = Json::array();
  for (const auto& s : templates) t.push_back(Utf8(s));
  for (const auto& s : documents) d.push_back(Utf8(s));
  for (const auto& a : addins) {
    list.push_back({{"name", Utf8(a->name)},
                    {"fullName", Utf8(a->fullName)},
                    {"installed", a->installed},
                    {"loaded", a->loaded},
                    {"registered", a->registered},
                    {"autoload", a->autoload}});
  }
  for (const auto& b : bars) {
    barList.push_back({{"name", Utf8(b->name)},
                       {"menuBar", b->menuBar},
                       {"visible", b->visible},
                       {"controls", ControlsToJson(b->controls)}});
  }
  const Json all = {{"templates", t},           {"documents", d},
                    {"startupPath", Utf8(startupPath)}, {"path", Utf8(path)},
                    {"addins", list},           {"installedStaysTrue", installedStaysTrue},
                    {"commandBars", barList}};
  Json j = {{"installed", true}, {"visible", visible}};
  for (const auto& [key, value] : all.items()) {
    if (std::find(keys_.begin(), keys_.end(), key) != keys_.end()) j[key] = value;
  }
  return j;
}

void Server::FromJson(const Json& j) {
  if (!j.is_object()) return;
  for (const auto& [key, value] : j.items()) keys_.push_back(key);
  for (const Json& s : Items(Get(j, "templates"))) templates.push_back(FromUtf8(Str(s)));
  // What the user has open and sees belongs to the instance they started;
  // one started for a caller has nothing open and shows nothing.
  if (userStarted_) {
    for (const Json& s : Items(Get(j, "documents"))) documents.push_back(FromUtf8(Str(s)));
    visible = Bool(Get(j, "visible"), true);
  }
  if (j.contains("startupPath")) startupPath = FromUtf8(Str(Get(j, "startupPath")));
  if (j.contains("path")) path = FromUtf8(Str(Get(j, "path")));
  installedStaysTrue = static_cast<long>(Int(Get(j, "installedStaysTrue")));
  for (const Json& a : Items(Get(j, "addins"))) {
    auto add = std::make_shared<AddInData>();
    add->fullName = FromUtf8(Str(Get(a, "fullName")));
    add->name = FromUtf8(Str(Get(a, "name")));
    if (add->name.empty()) {
      // Office lists an add-in under its file name without the extension.
      std::wstring base = add->fullName.substr(add->fullName.find_last_of(L"\\/") + 1);
      add->name = base.substr(0, base.find_last_of(L'.'));
    }
    add->installed = Bool(Get(a, "installed"));
    add->loaded = Bool(Get(a, "loaded"));
    add->registered = Bool(Get(a, "registered"));
    add->autoload = Bool(Get(a, "autoload"));
    addins.push_back(std::move(add));
  }
  if (j.contains("commandBars")) {
    bars.clear();
    for (const Json& b : Items(Get(j, "commandBars"))) {
      auto bar = std::make_shared<BarData>();
      bar->name = FromUtf8(Str(Get(b, "name")));
      bar->menuBar = Bool(Get(b, "menuBar"));
      bar->visible = Bool(Get(b, "visible"));
      for (const Json& c : Items(Get(b, "controls"))) bar->controls.push_back(ControlFromJson(c));
      bars.push_back(std::move(bar));
    }
  }
}

void Server::Load() {
  StoreLock lock;
  FromJson(ReadJsonFile(StateFile()));
  // Word makes a fresh global template when it starts and finds none.
  for (const std::wstring& t : templates) {
    if (t.find(L"Normal.dot") != std::wstring::npos &&
        ::GetFileAttributesW(t.c_str()) == INVALID_FILE_ATTRIBUTES) {
      WriteFileText(t, "fresh");
    }
  }
}

// Every instance's pid stays listed until it exits; "running" says whether
// any is left (one killed with the prefix counts as still running).
void Server::UpdatePids(bool add) {
  Json j = ToJson();
  const Json old = ReadJsonFile(StateFile());
  const std::int64_t self = ::GetCurrentProcessId();
  Json pids = Json::array();
  for (const Json& p : Items(Get(old, "pids"))) {
    if (Int(p) != self) pids.push_back(p);
  }
  if (add) pids.push_back(self);
  j["running"] = !pids.empty();
  j["pids"] = std::move(pids);
  WriteFileText(StateFile(), j.dump());
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
  Journal(app_, {{"event", "start"}, {"commandLine", Utf8(::GetCommandLineW())}});
}

void Server::Stopped() {
  {
    StoreLock lock;
    UpdatePids(false);
  }
  Journal(app_, {{"event", "exit"}});
}

void Die(std::string_view app, const char* when) {
  Journal(app, {{"event", "die"}, {"when", when}});
  ::TerminateProcess(::GetCurrentProcess(), 9);
  for (;;) ::Sleep(INFINITE);
}

void Server::BeforeCall(const char* cls, std::wstring_view member) {
  if (stopping()) throw Failure{RPC_E_DISCONNECTED};
  bool hold = false;
  const char* die = nullptr;
  {
    StoreLock lock;
    Json control = ReadJsonFile(StorePath(L"control.json"));
    // "dies": the process ends during its calls-th matching call, or right
    // after answering it.
    Json dies = Items(Get(control, "dies"));
    for (Json& d : dies) {
      if (Str(Get(d, "app")) != app_ || Bool(Get(d, "done"))) continue;
      if (d.contains("member") && !Matches(d, app_, cls, member)) continue;
      if (!d.contains("member") && d.contains("class") && Str(Get(d, "class")) != cls) continue;
      const std::int64_t left = Int(Get(d, "calls"), 1) - 1;
      d["calls"] = left;
      if (left <= 0) {
        d["done"] = true;
        die = Str(Get(d, "when")) == "after" ? "after" : "during";
      }
      control["dies"] = dies;
      WriteFileText(StorePath(L"control.json"), control.dump());
      break;
    }
    Json faults = Items(Get(control, "faults"));
    for (Json& f : faults) {
      if (!Matches(f, app_, cls, member)) continue;
      // "after": that many matching calls go through first.
      if (const std::int64_t after = Int(Get(f, "after")); after > 0) {
        f["after"] = after - 1;
        control["faults"] = faults;
        WriteFileText(StorePath(L"control.json"), control.dump());
        continue;
      }
      // A fault without a count fails every time.
      const std::int64_t times = Int(Get(f, "times"), -1);
      if (times == 0) continue;
      if (times > 0) {
        f["times"] = times - 1;
        control["faults"] = faults;
        WriteFileText(StorePath(L"control.json"), control.dump());
      }
      Raise(ParseError(Get(f, "error")));
    }
    if (die && std::string_view(die) == "during") {
      Die(app_, die);
    }
    dieAfterCall_ = die != nullptr;
    Json held = Get(control, "hold");
    if (held.is_object() && !Bool(Get(held, "done")) && Matches(held, app_, cls, member)) {
      held["done"] = true;
      control["hold"] = held;
      WriteFileText(StorePath(L"control.json"), control.dump());
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

void Server::AfterCall(const char* cls, std::wstring_view member) {
  if (std::exchange(dieAfterCall_, false)) ::PostThreadMessageW(mainThread_, kDieMessage, 0, 0);
  OpenAsTheUser(cls, member);
}

namespace {

// How many times the application has journalled its start.
int StartsOf(std::string_view app) {
  const std::string journal = ReadFileText(StorePath(L"journal.jsonl"));
  const std::string mark = "{\"app\":\"" + std::string(app) + "\",";
  int starts = 0;
  for (size_t at = 0, end; at < journal.size(); at = end + 1) {
    end = std::min(journal.find('\n', at), journal.size());
    const std::string_view line(journal.data() + at, end - at);
    if (line.starts_with(mark) && line.find("\"event\":\"start\"") != std::string_view::npos) ++starts;
  }
  return starts;
}

}  // namespace

// "userOpens": when the call is made, the user starts the application and
// opens those documents in it, on screen; it is reachable before the call
// answers, as it would be by the time the caller reaches for it.
void Server::OpenAsTheUser(const char* cls, std::wstring_view member) {
  Json opened = Json::array();
  {
    StoreLock lock;
    Json control = ReadJsonFile(StorePath(L"control.json"));
    Json all = Items(Get(control, "userOpens"));
    for (Json& o : all) {
      if (Bool(Get(o, "done")) || !Matches(Get(o, "after"), app_, cls, member)) continue;
      o["done"] = true;
      opened.push_back(o);
      const std::wstring state = StorePath(FromUtf8(Str(Get(o, "app"))) + L".json");
      Json j = ReadJsonFile(state);
      j["visible"] = true;
      j["documents"] = Items(Get(o, "documents"));
      WriteFileText(state, j.dump());
    }
    if (opened.empty()) return;
    control["userOpens"] = all;
    WriteFileText(StorePath(L"control.json"), control.dump());
  }
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const Json& o : opened) {
    const std::string app = Str(Get(o, "app"));
    const int before = StartsOf(app);
    std::wstring line = L"\"" + std::wstring(self) + L"\" " + FromUtf8(app);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) continue;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    for (int i = 0; i < 600 && StartsOf(app) == before; ++i) ::Sleep(50);
    Journal(app_, {{"event", "userOpens"}, {"opened", app}});
  }
}

bool Server::RejectBusy() {
  StoreLock lock;
  Json control = ReadJsonFile(StorePath(L"control.json"));
  // "busyFor": every call is turned away for that long from the first one,
  // as Excel does while a cell is being edited; the harness watches the
  // window meanwhile.
  for (const Json& b : Items(Get(control, "busyFor"))) {
    if (Str(Get(b, "app")) != app_) continue;
    if (!busySince_) {
      busySince_ = ::GetTickCount64();
      WriteFileText(StorePath(L"busy.reached"), app_);
    }
    if (::GetTickCount64() - busySince_ < static_cast<ULONGLONG>(Int(Get(b, "ms")))) return true;
  }
  Json busy = Items(Get(control, "busy"));
  for (Json& b : busy) {
    if (Str(Get(b, "app")) != app_ || Int(Get(b, "calls")) <= 0) continue;
    b["calls"] = Int(Get(b, "calls")) - 1;
    control["busy"] = busy;
    WriteFileText(StorePath(L"control.json"), control.dump());
    return true;
  }
  return false;
}

void Server::RequestQuit() {
  {
    StoreLock lock;
    const Json control = ReadJsonFile(StorePath(L"control.json"));
    for (const Json& l : Items(Get(control, "linger"))) {
      if (Str(Get(l, "app")) == app_) lingerMs_ = static_cast<DWORD>(Int(Get(l, "ms")));
    }
  }
  quit_ = true;
  if (lingerMs_) {
    Journal(app_, {{"event", "stopping"}, {"ms", lingerMs_}});
    // A shutting-down Word still has its global template open.
    for (const std::wstring& t : templates) {
      if (t.find(L"Normal.dot") == std::wstring::npos) continue;
      win::UniqueHandle h(::CreateFileW(t.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      if (h) heldFiles_.push_back(std::move(h));
    }
    // The process goes when the time is up, whoever still holds it.
    ::SetTimer(nullptr, 0, lingerMs_, nullptr);
    return;
  }
  if (onQuit) onQuit();
}

void Server::OnIdle() {
  if (quit_ && !lingerMs_) ::PostThreadMessageW(mainThread_, WM_QUIT, 0, 0);
}

void Server::RemoveControl(const ControlData* control) {
  for (auto& bar : bars) {
    if (RemoveFrom(bar->controls, control)) return;
  }
}

}  // namespace tbo::standin
