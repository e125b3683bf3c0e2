// The Win32 side of the platform services, and the whole set bundled.
#pragma once

#include <windows.h>

#include "automation/services.h"
#include "automation/win32/com_client.h"
#include "automation/win32/handles.h"

namespace tbo::win {

class Win32FileSystem final : public FileSystem {
 public:
  std::u16string FindFirst(std::u16string_view pattern, Search search = Search::Once) override;
  std::u16string FindNext() override;
  void SetNormalAttributes(std::u16string_view path) override;
  void Delete(std::u16string_view path) override;
  void Move(std::u16string_view from, std::u16string_view to) override;

 private:
  std::u16string FirstMatch(std::u16string_view pattern);
  std::u16string NextMatch(WIN32_FIND_DATAW& data);
  UniqueFind search_;
};

class Win32ProcessLauncher final : public ProcessLauncher {
 public:
  bool Start(std::u16string_view programPath, std::u16string_view commandLine) override;
};

// The window's events, and the steady clock that bounds waits for them.
class Win32EventPump final : public EventPump, public Clock {
 public:
  void YieldToPending() override;
  void WaitForEvents(std::chrono::milliseconds most) override;
  std::chrono::milliseconds Now() override { return std::chrono::milliseconds(::GetTickCount64()); }
};

// Makes the folders above path that are missing, from the top down. What
// cannot be made shows when the file itself is written.
void MakeFoldersAbove(std::u16string_view path);

// Hands a message to the window it is for, letting the top-level window
// handle dialog navigation (Tab, access keys) first.
void DispatchWithDialogNavigation(MSG& msg);

struct Win32Platform {
  // limit: how long one Office call may take before it is given up.
  explicit Win32Platform(std::chrono::milliseconds limit = kNoLimit) : automation(events, events, limit) {}
  Platform services() { return {automation, files, processes, events, events}; }

  Win32EventPump events;
  ComClient automation;
  Win32FileSystem files;
  Win32ProcessLauncher processes;
};

}  // namespace tbo::win
