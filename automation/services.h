// The platform services the installers need, as interfaces: a Win32
// implementation for the product and in-memory fakes for the unit tests.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "automation/value.h"

namespace tbo {

// An automation server as the operations reach it: by its programmatic
// identifier, under the name the log gives it.
struct ServerName {
  std::u16string_view progId;  // "Excel.Application"
  std::u16string_view name;    // "Excel"
};

class AutomationClient {
 public:
  virtual ~AutomationClient() = default;
  // The running instance registered under the programmatic identifier.
  virtual Ref GetActiveObject(const ServerName& server) = 0;
  // A new instance on the local machine, not made visible.
  virtual Ref CreateObject(const ServerName& server) = 0;
  // Whether the server is installed here at all: its programmatic
  // identifier is known to the system.
  virtual bool Knows(const ServerName& server) = 0;
  // A new press begins: an application that stopped answering in the last
  // one may be tried again.
  virtual void NewPress() {}
};

// Whether a search will be continued with FindNext. One that will not is
// closed at once, so no folder stays open while the window is idle.
enum class Search { Once, Continued };

// Directory search with the default attribute filter: ordinary, read-only
// and archive files are found; hidden and system files and folders are not.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The bare name of the first match, or u"" when nothing matches.
  virtual std::u16string FindFirst(std::u16string_view pattern, Search search = Search::Once) = 0;
  // The next match of the last continued search, or u"" after the last one.
  virtual std::u16string FindNext() = 0;
  virtual void SetNormalAttributes(std::u16string_view path) = 0;
  virtual void Delete(std::u16string_view path) = 0;
  // Renames a file; fails when the target exists, never replacing it.
  virtual void Move(std::u16string_view from, std::u16string_view to) = 0;
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts a program in a normal window that takes the focus, without
  // waiting, outside the job this program runs in where that job lets it.
  // With a program path, that file is started and commandLine is passed to
  // it verbatim; without one, commandLine names the program. Returns
  // whether the program stays in this program's job all the same.
  virtual bool Start(std::u16string_view programPath, std::u16string_view commandLine) = 0;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Lets the window repaint and handle the input that is pending.
  virtual void YieldToPending() = 0;
  // Sleeps until input arrives for the window or `most` has passed, so a
  // wait does not spin a core.
  virtual void WaitForEvents(std::chrono::milliseconds most) = 0;
};

// A steady clock for bounding waits and timing presses.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::milliseconds Now() = 0;
};

// Where a run finds itself: the account, the session, the desktop.
struct Context {
  bool serviceAccount = false;     // the system account, or another of the services'
  unsigned long session = 1;       // session 0 is the services'
  bool interactiveDesktop = true;  // a desktop a person could see
};

struct Platform {
  AutomationClient& automation;
  FileSystem& files;
  ProcessLauncher& processes;
  EventPump& events;
  Clock& clock;
};

}  // namespace tbo
