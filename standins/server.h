// One stand-in Office process: which application it plays, what that
// application holds, and the scenario's faults that apply to it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/win32/handles.h"
#include "standins/json.h"

namespace tbo::standin {

struct AddInData {
  std::wstring name;
  std::wstring fullName;
  bool installed = false;  // Excel
  bool loaded = false;     // PowerPoint
  bool registered = false;
  bool autoload = false;
};

struct ControlData {
  long type = 1;  // msoControlButton; 10 is a popup
  std::wstring caption, onAction, shortcutText;
  long faceId = 0;
  bool beginGroup = false;
  bool deleted = false;
  std::vector<std::shared_ptr<ControlData>> controls;
};

struct BarData {
  std::wstring name;
  bool menuBar = false;
  bool visible = false;
  bool deleted = false;
  std::vector<std::shared_ptr<ControlData>> controls;
};

class Server {
 public:
  Server(std::string app, bool userStarted);
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;
  ~Server();
  static Server& Current();

  const std::string& app() const { return app_; }
  bool userStarted() const { return userStarted_; }

  // The application's lasting state, read at start and written after
  // every successful call, so that the next instance finds it.
  void Load();
  void Save();
  void Started();
  void Stopped();

  // The scenario's faults and hold for this call; throws Failure for an
  // injected error, blocks while held.
  void BeforeCall(const char* cls, std::wstring_view member);
  // After the call has been journalled: a server the scenario lets die
  // once it has answered goes now, before its next call; an application the
  // scenario has the user open after this call is open before it answers.
  void AfterCall(const char* cls, std::wstring_view member);
  // The message filter's question: reject this incoming call as busy?
  bool RejectBusy();

  // Quit was called: from now on the process ends with the last reference,
  // or, when the scenario makes it linger, once that time has passed.
  void RequestQuit();
  bool quitRequested() const { return quit_; }
  void OnIdle();  // the application object lost its last outside reference
  std::function<void()> onQuit;
  // Shutting down but still reachable, as real Office is for a while after
  // Quit: calls fail as disconnected, creations as stopping.
  bool stopping() const { return lingerMs_ > 0 && quit_; }
  DWORD lingerMs() const { return lingerMs_; }

  // State, by application.
  bool visible = false;
  std::vector<std::wstring> templates, documents;                 // Word
  std::wstring startupPath, path;                                  // Excel
  long installedStaysTrue = 0;                                     // Excel
  std::vector<std::shared_ptr<AddInData>> addins;                  // Excel, PowerPoint
  std::vector<std::shared_ptr<BarData>> bars;                      // PowerPoint

  // Unlinks a control from whichever bar or popup holds it.
  void RemoveControl(const ControlData* control);

 private:
  Json ToJson() const;
  void FromJson(const Json& state);
  void UpdatePids(bool add);
  std::wstring StateFile() const;
  void OpenAsTheUser(const char* cls, std::wstring_view member);

  std::string app_;
  bool userStarted_;
  std::vector<std::string> keys_;  // the state's keys, as the harness gave them
  bool quit_ = false;
  bool dieAfterCall_ = false;
  DWORD lingerMs_ = 0;
  ULONGLONG busySince_ = 0;  // the first call turned away by "busyFor"
  std::vector<win::UniqueHandle> heldFiles_;  // Word's global template, while it lingers
  DWORD mainThread_;
};

// Posted to the server's own thread: end the process the hard way, as a
// crash or the task manager would, once the current answer has gone out.
inline constexpr UINT kDieMessage = WM_APP + 17;
[[noreturn]] void Die(std::string_view app, const char* when);

bool SameText(std::wstring_view a, std::wstring_view b);  // letter case disregarded
std::wstring WithoutAccelerator(std::wstring_view caption);
HRESULT ParseError(const Json& error);  // "0x800A03EC" or a number

}  // namespace tbo::standin
