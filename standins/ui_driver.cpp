// ui_driver.exe: drives the Setup window from a second process in the same
// prefix. Commands run in order; the exit status is that of the first
// failing one (0 when all succeed). Like every stand-in it never ends with
// 1, the status of Wine failing to start a program, so that the harness
// can start it again:
//   wait [MS]        until the window is shown with its controls (default 30 s)
//   read FILE        the window and its controls as JSON, UTF-8 ("-": stdout)
//   press NAME       posts the button's click, then waits for the run to end
//   click NAME       a real mouse click at the control's centre, then as press
//   key KEY          Tab, Alt+K, Enter, Esc or Space, as real key presses; a Tab
//                    returns once the focus has moved (or 5 s have passed)
//   waitrun          until the application buttons are enabled again
//   close            asks the window to close and waits until it is gone
//   sendclose        sends the close and returns once the window has handled
//                    it (inside a blocking call, too); journals it
//   watchgone        waits for the window, then until it is gone; journals
//                    the moment, so it can be ordered against Office calls
//   postclose [PAT]  asks the window to close and returns at once; journals
//                    how many files match PAT at that moment
//   usage FILE       handles (as counted and as the system lists them), GDI
//                    and USER objects and memory of the window's process as JSON
//   waitgone PATH    until the file PATH no longer exists (at most 5 minutes)
//   kill PID         ends that process, as the task manager does
//   exitcode FILE    waits for TBO_Setup.exe to start and end, then writes
//                    its exit code (all 32 bits: Wine hands Unix only 8);
//                    FILE.ready once it watches, FILE.seen once it started,
//                    FILE.registry the user's record and RunOnce it left, as JSON
//   regread KEY FILE the values of KEY ("HKLM\..." or "HKCU\...", the native
//                    view) and its subkeys' names as JSON; null for no key
//   regwrite FILE    writes the values FILE gives as JSON, {"HKCU\...":
//                    {"Name": "text" (REG_SZ) or a number (REG_DWORD)}}
//   volatilekey KEY  makes KEY below HKEY_CURRENT_USER a key that lasts only
//                    the session, so that no lasting key can be made below it
//   msgbox FILE      the message box on screen, if any, as JSON (title and
//                    text), answered with its default button; fails when
//                    there is none
//   watch MS FILE    for MS milliseconds, how the window answers: the
//                    longest wait for a sent message, and whether each
//                    invalidated client area was painted again within 2 s, as
//                    JSON; journals its start
//   runexit FILE CMD runs the command line CMD, waits for it (at most 5
//                    minutes) and writes its exit code
// NAME is a control name (cmdWORD, cmdCancel...) or word, excel, powerpoint.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "automation/retry.h"
#include "installers/applications.h"
#include "standins/json.h"
#include "standins/store.h"

namespace {

using tbo::standin::Json;
using tbo::standin::Utf8;

using namespace std::chrono_literals;
using std::chrono::milliseconds;

// Exit statuses; 1 is left to Wine.
constexpr int kNotFound = 3;      // no such control, key or process
constexpr int kTimedOut = 4;      // what was waited for did not come in time
constexpr int kWriteFailed = 5;   // an output file, or a process, could not be had
constexpr int kDisabled = 6;      // a click on a grey button
constexpr int kNoWindow = 7;      // no Setup window (in time)

// Limits of the waits, and how often they look.
constexpr milliseconds kRunLimit = 300s;         // a press, a file to go
constexpr milliseconds kRunStart = 1500ms;       // the buttons going grey after a click: a run that
                                                 // ends before the first look is simply over
constexpr milliseconds kWindowShown = 30s;       // the window, by default
constexpr milliseconds kControlsMade = 1s;       // its last controls once it shows
constexpr milliseconds kClosed = 30s;            // the window gone after a close
constexpr milliseconds kBoxGone = 5s;            // a message box gone once answered
constexpr milliseconds kProgramSeen = 30s;       // TBO_Setup.exe started
constexpr milliseconds kFocusMoved = 5s;         // a Tab moving the focus
constexpr milliseconds kPainted = 2s;            // a watched window painting what was invalidated
constexpr milliseconds kLookEvery = 20ms;
constexpr milliseconds kCatchEvery = 1ms;        // for a moment that must be caught as it comes

// The project's one wait shape, with the clock and a plain sleep.
struct Sleeper final : tbo::Clock, tbo::EventPump {
  milliseconds Now() override { return milliseconds(::GetTickCount64()); }
  void WaitForEvents(milliseconds most) override { ::Sleep(static_cast<DWORD>(most.count())); }
  void YieldToPending() override {}
};
template <class Ready>
bool Until(milliseconds most, milliseconds every, Ready&& ready) {
  Sleeper sleeper;
  return tbo::WaitUntil(sleeper, sleeper, {most, every}, ready);
}

// The window's own controls, by name; the application buttons are the
// application table's, also called by their switch ("word").
struct Named {
  int id;
  std::wstring name, alias;
};
std::vector<Named> Controls() {
  std::vector<Named> all = {{IDC_IMAGE1, L"Image1", L""}, {IDC_LBSTATUS, L"lbStatus", L""},
                            {IDC_LINE1, L"Line1", L""}, {IDC_CMDCANCEL, L"cmdCancel", L""}};
  for (const tbo::Application* a : tbo::kApplications) {
    all.push_back({a->controlId, std::wstring(a->controlName, a->controlName + std::char_traits<char16_t>::length(
                                                                                   a->controlName)),
                   std::wstring(a->switchName, a->switchName + std::char_traits<char16_t>::length(a->switchName))});
  }
  return all;
}

HWND FindSetup() { return ::FindWindowW(TBO_WINDOW_CLASS, L"Setup"); }

int IdOf(const std::wstring& name) {
  for (const Named& c : Controls()) {
    if (::_wcsicmp(name.c_str(), c.name.c_str()) == 0 || (!c.alias.empty() && ::_wcsicmp(name.c_str(), c.alias.c_str()) == 0)) {
      return c.id;
    }
  }
  return 0;
}

std::wstring NameOf(int id) {
  for (const Named& c : Controls()) {
    if (c.id == id) return c.name;
  }
  return L"";
}

std::wstring TextOf(HWND h) {
  const int n = ::GetWindowTextLengthW(h);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  s.resize(static_cast<std::size_t>(::GetWindowTextW(h, s.data(), n + 1)));
  return s;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  ::GetClassNameW(h, buf, 256);
  return buf;
}

Json RectJson(const RECT& r) {
  return {{"left", r.left}, {"top", r.top}, {"right", r.right}, {"bottom", r.bottom}};
}

HWND FocusOf(HWND top) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(top, nullptr), &info)) return info.hwndFocus;
  return nullptr;
}

BOOL CALLBACK CollectChild(HWND h, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
  return TRUE;
}

std::vector<HWND> Children(HWND top) {
  std::vector<HWND> out;
  ::EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

Json ReadWindow(HWND top) {
  RECT client{}, screen{};
  ::GetClientRect(top, &client);
  ::GetWindowRect(top, &screen);
  Json j = {{"title", Utf8(TextOf(top))},
            {"class", Utf8(ClassOf(top))},
            {"visible", ::IsWindowVisible(top) != FALSE},
            {"client", {{"width", client.right}, {"height", client.bottom}}},
            {"screenRect", RectJson(screen)}};
  const HWND focus = FocusOf(top);
  Json controls = Json::array();
  for (HWND h : Children(top)) {
    if (::GetParent(h) != top) continue;
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    const int id = ::GetDlgCtrlID(h);
    controls.push_back({{"name", Utf8(NameOf(id))},
                        {"id", id},
                        {"class", Utf8(ClassOf(h))},
                        {"caption", Utf8(TextOf(h))},
                        {"rect", RectJson(r)},
                        {"enabled", ::IsWindowEnabled(h) != FALSE},
                        {"visible", ::IsWindowVisible(h) != FALSE},
                        {"focus", h == focus}});
  }
  j["controls"] = std::move(controls);
  j["focus"] = focus ? Json(Utf8(NameOf(::GetDlgCtrlID(focus)))) : Json();
  return j;
}

bool AppButtonsEnabled(HWND top) {
  for (const tbo::Application* a : tbo::kApplications) {
    const HWND b = ::GetDlgItem(top, a->controlId);
    if (b && !::IsWindowEnabled(b)) return false;
  }
  return true;
}

// Waits until the window has handled what is queued before this point.
void Settle(HWND top) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

int WaitRun(HWND top) {
  if (!Until(kRunLimit, kLookEvery, [&] { return !::IsWindow(top) || AppButtonsEnabled(top); })) return kTimedOut;
  if (::IsWindow(top)) Settle(top);
  return 0;
}

// After a click or key: catches the run's start if there is one, then its
// end. With the buttons already grey no new run can start (input waits
// until the current one is over), so there is nothing to follow.
int FollowRun(HWND top, bool idleBefore) {
  if (!idleBefore) return 0;
  Until(kRunStart, kCatchEvery, [&] { return !::IsWindow(top) || !AppButtonsEnabled(top); });
  return WaitRun(top);
}

// FindWindow succeeds during WM_CREATE: waits for the window to show, then
// (briefly) for every control.
int Wait(milliseconds limit) {
  HWND top = nullptr;
  if (!Until(limit, kLookEvery, [&] { return (top = FindSetup()) && ::IsWindowVisible(top); })) return kNoWindow;
  Until(kControlsMade, kLookEvery, [&] {
    const auto controls = Controls();
    return std::all_of(controls.begin(), controls.end(), [&](const Named& c) { return ::GetDlgItem(top, c.id); });
  });
  Settle(top);
  return 0;
}

int Read(HWND top, const std::wstring& file) {
  const std::string text = ReadWindow(top).dump() + "\n";
  if (file == L"-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
  }
  return tbo::standin::WriteFileText(file, text) ? 0 : kWriteFailed;
}

int Press(HWND top, const std::wstring& name) {
  const int id = IdOf(name);
  const HWND button = id ? ::GetDlgItem(top, id) : nullptr;
  if (!button) return kNotFound;
  if (!::IsWindowEnabled(button)) return kDisabled;
  // Posted, since the click handler runs the whole installation before
  // returning.
  ::PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return FollowRun(top, true);
}

void SendMouse(DWORD flags, LONG x, LONG y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.dwFlags = flags;
  ::SendInput(1, &in, sizeof in);
}

int Click(HWND top, const std::wstring& name) {
  const int id = IdOf(name);
  const HWND control = id ? ::GetDlgItem(top, id) : nullptr;
  if (!control) return kNotFound;
  const bool idle = AppButtonsEnabled(top);
  ::SetForegroundWindow(top);
  RECT r{};
  ::GetWindowRect(control, &r);
  const LONG cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  const LONG x = ((r.left + r.right) / 2) * 65535 / (cx - 1);
  const LONG y = ((r.top + r.bottom) / 2) * 65535 / (cy - 1);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
  SendMouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, x, y);
  SendMouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, x, y);
  return FollowRun(top, idle);
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &in, sizeof in);
}

int Key(HWND top, const std::wstring& key) {
  WORD vk = 0;
  bool alt = false;
  if (::_wcsicmp(key.c_str(), L"Tab") == 0) vk = VK_TAB;
  if (::_wcsicmp(key.c_str(), L"Enter") == 0) vk = VK_RETURN;
  if (::_wcsicmp(key.c_str(), L"Esc") == 0) vk = VK_ESCAPE;
  if (::_wcsicmp(key.c_str(), L"Space") == 0) vk = VK_SPACE;
  if (key.size() == 5 && ::_wcsnicmp(key.c_str(), L"Alt+", 4) == 0) {
    alt = true;
    vk = static_cast<WORD>(::towupper(key[4]));
  }
  if (!vk) return kNotFound;
  const bool idle = AppButtonsEnabled(top);
  ::SetForegroundWindow(top);
  const HWND before = FocusOf(top);
  if (alt) SendKey(VK_MENU, false);
  SendKey(vk, false);
  SendKey(vk, true);
  if (alt) SendKey(VK_MENU, true);
  if (!::IsWindow(top) || !idle) return 0;
  Settle(top);
  // Input is handled after sent messages: a Tab is done when the focus moves.
  if (vk == VK_TAB) Until(kFocusMoved, kLookEvery, [&] { return !::IsWindow(top) || FocusOf(top) != before; });
  // Only a key that presses a button can start a run.
  const bool presses = vk == VK_SPACE || vk == VK_RETURN || alt;
  return presses ? FollowRun(top, idle) : 0;
}

int Close(HWND top) {
  ::PostMessageW(top, WM_CLOSE, 0, 0);
  return Until(kClosed, kLookEvery, [&] { return !::IsWindow(top); }) ? 0 : kTimedOut;
}

int SendClose(HWND top) {
  DWORD_PTR ignored = 0;
  const bool handled = ::SendMessageTimeoutW(top, WM_CLOSE, 0, 0, SMTO_NORMAL, 30000, &ignored) != 0;
  tbo::standin::Journal("driver", {{"event", "close"}, {"sent", true}});
  return handled ? 0 : kTimedOut;
}

// A message box is a dialog whose text sits in the static control 0xFFFF.
int AnswerMessageBox(const std::wstring& file) {
  const HWND box = ::FindWindowW(L"#32770", nullptr);
  if (!box || !::IsWindowVisible(box)) return kNotFound;
  const HWND text = ::GetDlgItem(box, 0xFFFF);
  const Json read = {{"title", Utf8(TextOf(box))}, {"text", Utf8(text ? TextOf(text) : L"")}};
  if (!tbo::standin::WriteFileText(file, read.dump() + "\n")) return kWriteFailed;
  const LRESULT defaultId = ::SendMessageW(box, DM_GETDEFID, 0, 0);
  const int id = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
  Until(kBoxGone, kLookEvery, [&] { return !::IsWindow(box); });
  return 0;
}

DWORD FindProcess(const wchar_t* exe) {
  const tbo::win::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::_wcsicmp(entry.szExeFile, exe) == 0) return entry.th32ProcessID;
  }
  return 0;
}

// The user's record of the program, and what Windows runs once at the
// user's next logon, below HKEY_CURRENT_USER.
constexpr wchar_t kRecordKey[] = L"Software\\Tambrel\\TBO Setup";
constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The string and number values of a key ("" for the default value), and
// the names of its subkeys when asked; null when there is no key.
Json ValuesOf(const std::wstring& path, HKEY root = HKEY_CURRENT_USER, Json* subkeys = nullptr) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return Json();
  const tbo::win::UniqueKey owned(key);
  Json values = Json::object();
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    wchar_t data[1024] = {};
    DWORD nameLength = 256, bytes = sizeof data - sizeof(wchar_t), type = 0;
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) !=
        ERROR_SUCCESS) {
      break;
    }
    DWORD number = 0;
    std::memcpy(&number, data, sizeof number);
    values[Utf8(name)] = type == REG_SZ || type == REG_EXPAND_SZ ? Json(Utf8(data))
                         : type == REG_DWORD                   ? Json(number)
                                                               : Json();
  }
  for (DWORD i = 0; subkeys; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys->push_back(Utf8(name));
  }
  return values;
}

// "HKLM\\Software\\..." as JSON: the key's values and its subkeys' names.
int RegRead(const std::wstring& path, const std::wstring& file) {
  const size_t slash = path.find(L'\\');
  const std::wstring hive = path.substr(0, slash), below = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
  const HKEY root = hive == L"HKLM" ? HKEY_LOCAL_MACHINE : hive == L"HKCU" ? HKEY_CURRENT_USER : nullptr;
  if (!root) return kNotFound;
  Json keys = Json::array();
  const Json values = ValuesOf(below, root, &keys);
  const Json read = values.is_null() ? Json() : Json{{"values", values}, {"keys", keys}};
  return tbo::standin::WriteFileText(file, read.dump() + "\n") ? 0 : kWriteFailed;
}

// The values a scenario seeds: {"HKCU\\...": {"Name": "text" or a number}}.
int RegWrite(const std::wstring& file) {
  const Json keys = tbo::standin::ReadJsonFile(file);
  if (!keys.is_object()) return kNotFound;
  for (const auto& [path, values] : keys.items()) {
    const std::wstring wide = tbo::standin::FromUtf8(path);
    const size_t slash = wide.find(L'\\');
    const std::wstring hive = wide.substr(0, slash), below = slash == std::wstring::npos ? L"" : wide.substr(slash + 1);
    const HKEY root = hive == L"HKLM" ? HKEY_LOCAL_MACHINE : hive == L"HKCU" ? HKEY_CURRENT_USER : nullptr;
    HKEY created = nullptr;
    if (!root || ::RegCreateKeyExW(root, below.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr)) {
      return kWriteFailed;
    }
    const tbo::win::UniqueKey key(created);
    for (const auto& [name, value] : values.items()) {
      const std::wstring valueName = tbo::standin::FromUtf8(name);
      LSTATUS status;
      if (value.is_number_integer()) {
        const DWORD number = value.get<DWORD>();
        status = ::RegSetValueExW(key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                  sizeof number);
      } else {
        const std::wstring text = tbo::standin::FromUtf8(value.get<std::string>());
        status = ::RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      }
      if (status != ERROR_SUCCESS) return kWriteFailed;
    }
  }
  return 0;
}

// Started before the program, so that even a run that ends at once is seen:
// FILE.ready says the watch has begun.
int RecordExitCode(const std::wstring& file) {
  DWORD pid = 0;
  tbo::standin::WriteFileText(file + L".ready", "");
  Until(kProgramSeen, kLookEvery, [&] { return (pid = FindProcess(L"TBO_Setup.exe")) != 0; });
  const tbo::win::UniqueHandle process(
      pid ? ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr);
  if (!process) return kNotFound;
  tbo::standin::WriteFileText(file + L".seen", "");
  ::WaitForSingleObject(process.get(), static_cast<DWORD>((kRunLimit * 2).count()));
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code) || code == STILL_ACTIVE) return kTimedOut;
  // What the run left in the user's registry, as the run left it.
  const Json record = {{"HKCU\\" + Utf8(kRecordKey), ValuesOf(kRecordKey)},
                       {"HKCU\\" + Utf8(kRunOnceKey), ValuesOf(kRunOnceKey)}};
  if (!tbo::standin::WriteFileText(file + L".registry", record.dump() + "\n")) return kWriteFailed;
  return tbo::standin::WriteFileText(file, std::to_string(code) + "\n") ? 0 : kWriteFailed;
}

// A key below HKEY_CURRENT_USER that lives only as long as the session:
// it refuses every lasting key below it, as a full or locked-down registry
// refuses a write.
int VolatileKey(const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    return kWriteFailed;
  }
  ::RegCloseKey(key);
  return 0;
}

int WatchGone() {
  if (Wait(kWindowShown) != 0) return kNoWindow;
  const HWND top = FindSetup();
  if (!Until(kRunLimit, kCatchEvery, [&] { return !::IsWindow(top); })) return kTimedOut;
  tbo::standin::Journal("driver", {{"event", "windowGone"}});
  return 0;
}

int PostClose(HWND top, const std::wstring& pattern) {
  ::PostMessageW(top, WM_CLOSE, 0, 0);
  Json line = {{"event", "close"}};
  if (!pattern.empty()) {
    int count = 0;
    WIN32_FIND_DATAW data;
    const tbo::win::UniqueFind search(::FindFirstFileW(pattern.c_str(), &data));
    if (search) {
      do ++count; while (::FindNextFileW(search.get(), &data));
    }
    line["pattern"] = Utf8(pattern);
    line["matching"] = count;
  }
  tbo::standin::Journal("driver", line);
  return 0;
}

// The handles a process holds, as the system lists them. Wine answers a
// handle count for another process with zero, but lists every handle.
Json HandlesOf(DWORD pid) {
  using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<std::byte> buffer(1 << 20);
  LONG status = kInfoLengthMismatch;
  for (int tries = 0; query && status == kInfoLengthMismatch && tries < 8; ++tries) {
    ULONG needed = 0;
    status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
  }
  if (!query || status != 0) return Json();
  const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
  long count = 0;
  for (ULONG i = 0; i < info->Count; ++i) count += info->Handle[i].OwnerPid == pid;
  return count;
}

int Usage(HWND top, const std::wstring& file) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(top, &pid);
  const tbo::win::UniqueHandle owned(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!owned) return kWriteFailed;
  const HANDLE process = owned.get();
  DWORD handles = 0;
  Json j = {{"handles", ::GetProcessHandleCount(process, &handles) ? Json(handles) : Json()},
            {"gdiObjects", ::GetGuiResources(process, GR_GDIOBJECTS)},
            {"userObjects", ::GetGuiResources(process, GR_USEROBJECTS)},
            {"systemHandles", HandlesOf(pid)}};
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    j["pagefileUsage"] = memory.PagefileUsage;
    j["privateUsage"] = memory.PrivateUsage;
    j["workingSetSize"] = memory.WorkingSetSize;
  }
  return tbo::standin::WriteFileText(file, j.dump() + "\n") ? 0 : kWriteFailed;
}

int WaitGone(const std::wstring& path) {
  return Until(kRunLimit, kCatchEvery, [&] { return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; })
             ? 0
             : kTimedOut;
}

// A window whose thread is busy elsewhere neither answers nor paints.
// Journals its start, so that the watch can be ordered against the busy
// answers it was meant to overlap.
int Watch(HWND top, ULONGLONG ms, const std::wstring& file) {
  tbo::standin::Journal("driver", {{"event", "watch"}});
  ULONGLONG longest = 0;
  int painted = 0, unpainted = 0;
  for (const ULONGLONG start = ::GetTickCount64(); ::GetTickCount64() - start < ms;) {
    const ULONGLONG asked = ::GetTickCount64();
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    longest = std::max(longest, ::GetTickCount64() - asked);
    // Painted again within kPaintedWithinMs; a window that does not pump
    // stays unpainted until the busy Office lets it go, seconds later.
    ::InvalidateRect(top, nullptr, TRUE);
    (Until(kPainted, kLookEvery, [&] { return !::GetUpdateRect(top, nullptr, FALSE); }) ? painted : unpainted) += 1;
    ::Sleep(static_cast<DWORD>((kLookEvery * 5).count()));
  }
  const Json j = {{"longestAnswerMs", longest}, {"painted", painted}, {"unpainted", unpainted}};
  return tbo::standin::WriteFileText(file, j.dump() + "\n") ? 0 : kWriteFailed;
}

int RunAndRecord(const std::wstring& file, std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return kWriteFailed;
  }
  const tbo::win::UniqueHandle process(info.hProcess), thread(info.hThread);
  ::WaitForSingleObject(process.get(), static_cast<DWORD>(kRunLimit.count()));
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code) || code == STILL_ACTIVE) return kTimedOut;
  return tbo::standin::WriteFileText(file, std::to_string(code) + "\n") ? 0 : kWriteFailed;
}

int Kill(const std::wstring& pid) {
  const tbo::win::UniqueHandle process(
      ::OpenProcess(PROCESS_TERMINATE, FALSE, std::wcstoul(pid.c_str(), nullptr, 10)));
  return process && ::TerminateProcess(process.get(), 1) ? 0 : kWriteFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& cmd = args[i];
    const std::wstring operand = i + 1 < args.size() ? args[i + 1] : L"";
    int status = 0;
    if (cmd == L"wait") {
      const bool number = !operand.empty() && std::iswdigit(operand[0]);
      status = Wait(number ? milliseconds(std::wcstoull(operand.c_str(), nullptr, 10)) : kWindowShown);
      if (number) ++i;
    } else if (cmd == L"waitgone") {
      status = WaitGone(operand), ++i;
    } else if (cmd == L"exitcode") {
      status = RecordExitCode(operand), ++i;
    } else if (cmd == L"regwrite") {
      status = RegWrite(operand), ++i;
    } else if (cmd == L"volatilekey") {
      status = VolatileKey(operand), ++i;
    } else if (cmd == L"regread") {
      status = RegRead(operand, i + 2 < args.size() ? args[i + 2] : L""), i += 2;
    } else if (cmd == L"msgbox") {
      status = AnswerMessageBox(operand), ++i;
    } else if (cmd == L"watchgone") {
      status = WatchGone();
    } else if (cmd == L"kill") {
      status = Kill(operand), ++i;
    } else if (cmd == L"runexit") {
      status = RunAndRecord(operand, i + 2 < args.size() ? args[i + 2] : L""), i += 2;
    } else if (cmd == L"watch") {
      const HWND top = FindSetup();
      const std::wstring file = i + 2 < args.size() ? args[i + 2] : L"";
      status = top ? Watch(top, std::wcstoull(operand.c_str(), nullptr, 10), file) : kNoWindow;
      i += 2;
    } else if (cmd == L"waitrun" || cmd == L"close" || cmd == L"read" || cmd == L"press" ||
               cmd == L"click" || cmd == L"key" || cmd == L"postclose" || cmd == L"usage" ||
               cmd == L"sendclose") {
      const HWND top = FindSetup();
      if (!top) {
        std::fprintf(stderr, "ui_driver: no Setup window\n");
        return kNoWindow;
      }
      if (cmd == L"waitrun") status = WaitRun(top);
      if (cmd == L"close") status = Close(top);
      if (cmd == L"sendclose") status = SendClose(top);
      if (cmd == L"read") status = Read(top, operand), ++i;
      if (cmd == L"press") status = Press(top, operand), ++i;
      if (cmd == L"click") status = Click(top, operand), ++i;
      if (cmd == L"key") status = Key(top, operand), ++i;
      if (cmd == L"usage") status = Usage(top, operand), ++i;
      if (cmd == L"postclose") {
        // The pattern is optional: anything that is not a command is one.
        const bool hasPattern = !operand.empty() && operand.find(L'\\') != std::wstring::npos;
        status = PostClose(top, hasPattern ? operand : L"");
        if (hasPattern) ++i;
      }
    } else {
      std::fprintf(stderr, "ui_driver: unknown command %ls\n", cmd.c_str());
      return 2;
    }
    if (status != 0) {
      std::fprintf(stderr, "ui_driver: %ls %ls failed (%d)\n", cmd.c_str(), operand.c_str(), status);
      return status;
    }
  }
  return 0;
}
