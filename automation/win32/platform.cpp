#include "automation/win32/platform.h"

#include <vector>

#include "automation/win32/text.h"

namespace tbo::win {
namespace {

[[noreturn]] void FailWithLastError() { Fail(ErrorFromWin32(::GetLastError())); }

bool PassesDefaultFilter(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes &
          (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace

std::u16string Win32FileSystem::FindFirst(std::u16string_view pattern) {
  search_.reset();
  if (pattern.empty()) return {};  // names no file
  WIN32_FIND_DATAW data;
  search_.reset(::FindFirstFileW(Wide(pattern).c_str(), &data));
  if (!search_) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NO_MORE_FILES) {
      return {};
    }
    Fail(ErrorFromWin32(error));
  }
  if (PassesDefaultFilter(data)) return FromWide(data.cFileName);
  return NextMatch(data);
}

std::u16string Win32FileSystem::FindNext() {
  if (!search_) Fail(kInvalidCall);
  WIN32_FIND_DATAW data;
  return NextMatch(data);
}

std::u16string Win32FileSystem::NextMatch(WIN32_FIND_DATAW& data) {
  for (;;) {
    if (!::FindNextFileW(search_.get(), &data)) {
      const DWORD error = ::GetLastError();
      search_.reset();
      if (error == ERROR_NO_MORE_FILES) return {};
      Fail(ErrorFromWin32(error));
    }
    if (PassesDefaultFilter(data)) return FromWide(data.cFileName);
  }
}

void Win32FileSystem::SetNormalAttributes(std::u16string_view path) {
  if (!::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL)) FailWithLastError();
}

void Win32FileSystem::Delete(std::u16string_view path) {
  if (!::DeleteFileW(Wide(path).c_str())) FailWithLastError();
}

void Win32FileSystem::Move(std::u16string_view from, std::u16string_view to) {
  if (!::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0)) FailWithLastError();
}

void Win32ProcessLauncher::Start(std::u16string_view programPath,
                                 std::u16string_view commandLine) {
  const std::wstring program = Wide(programPath);
  std::wstring line = Wide(commandLine);  // CreateProcessW may write to it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    FailWithLastError();
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
}

void DispatchWithDialogNavigation(MSG& msg) {
  const HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && ::IsDialogMessageW(root, &msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

void Win32EventPump::YieldToPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit request for the main message loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchWithDialogNavigation(msg);
  }
}

}  // namespace tbo::win

namespace tbo::win {

void Win32EventPump::WaitForEvents(std::chrono::milliseconds most) {
  ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(most.count()), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

std::chrono::milliseconds Win32EventPump::Now() {
  return std::chrono::milliseconds(::GetTickCount64());
}

}  // namespace tbo::win
