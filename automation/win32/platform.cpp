#include "automation/win32/platform.h"

#include <cstddef>
#include <vector>

#include "automation/win32/fail.h"
#include "automation/win32/text.h"

namespace tbo::win {
namespace {

// Office may report paths past MAX_PATH; the API takes those only with the
// prefix "\\?\", which the paths we get (absolute, backslashed) can use.
std::wstring ApiPath(std::u16string_view path) {
  std::wstring p = Wide(path);
  constexpr size_t kShortEnough = MAX_PATH - 12;  // leaves room for an 8.3 name
  if (p.size() < kShortEnough || p.rfind(L"\\\\?\\", 0) == 0) return p;
  if (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') return L"\\\\?\\" + p;
  if (p.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + p.substr(2);
  return p;
}

// The path of an open file or folder on its volume ("\\Users\\...").
// GetFinalPathNameByHandleW would do, but Wine's fails past MAX_PATH.
std::wstring PathOnVolume(HANDLE handle) {
  constexpr size_t kLongestPath = 0x8000;
  std::vector<std::byte> buffer(sizeof(FILE_NAME_INFO) + kLongestPath * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
  if (!::GetFileInformationByHandleEx(handle, FileNameInfo, info, static_cast<DWORD>(buffer.size()))) {
    ThrowLastError();
  }
  return std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t));
}

// Whether the open handle is the entry that `path` names and not what a
// link there points at: its final path must be the final path of the
// folder (links in the folder part may resolve) followed by the same name.
bool NamesEntry(HANDLE file, std::u16string_view path) {
  const size_t slash = path.rfind(u'\\');
  if (slash == std::u16string_view::npos) return true;  // relative: nothing to compare with
  std::u16string folder(path.substr(0, slash));
  if (folder.size() == 2 && folder[1] == u':') folder += u'\\';  // "C:" alone is a current folder
  const UniqueHandle parent(::CreateFileW(ApiPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!parent) return false;
  std::wstring expected = PathOnVolume(parent.get());
  if (expected.empty() || expected.back() != L'\\') expected += L'\\';
  expected += Wide(path.substr(slash + 1));
  const std::wstring actual = PathOnVolume(file);
  return ::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()), actual.c_str(),
                                static_cast<int>(actual.size()), TRUE) == CSTR_EQUAL;
}

// Opens the named entry itself, never what a link points at. DELETE access
// is asked for in every case, so a file that another program holds open
// without delete sharing is refused here and left exactly as it was.
UniqueHandle OpenEntry(std::u16string_view path, DWORD access) {
  UniqueHandle file(::CreateFileW(ApiPath(path).c_str(), access | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) ThrowLastError();
  // Wine opens a Unix link as its target whatever the flag says; refusing
  // such a handle keeps the user's file behind the link untouched.
  if (!NamesEntry(file.get(), path)) Fail(kAccessDenied);
  return file;
}

bool PassesDefaultFilter(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes &
          (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace

std::u16string Win32FileSystem::FindFirst(std::u16string_view pattern, Search search) {
  std::u16string first = FirstMatch(pattern);
  if (search == Search::Once) search_.reset();
  return first;
}

std::u16string Win32FileSystem::FirstMatch(std::u16string_view pattern) {
  search_.reset();
  if (pattern.empty()) return {};  // names no file
  WIN32_FIND_DATAW data;
  search_.reset(::FindFirstFileW(ApiPath(pattern).c_str(), &data));
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
  const UniqueHandle file = OpenEntry(path, FILE_WRITE_ATTRIBUTES);
  FILE_BASIC_INFO info{};  // zero times stay as they are
  info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!::SetFileInformationByHandle(file.get(), FileBasicInfo, &info, sizeof info)) {
    ThrowLastError();
  }
}

void Win32FileSystem::Delete(std::u16string_view path) {
  const UniqueHandle file = OpenEntry(path, 0);
  FILE_DISPOSITION_INFO info{};
  info.DeleteFile = TRUE;
  if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &info, sizeof info)) {
    ThrowLastError();
  }
}

void Win32FileSystem::Move(std::u16string_view from, std::u16string_view to) {
  if (!::MoveFileExW(ApiPath(from).c_str(), ApiPath(to).c_str(), 0)) ThrowLastError();
}

// A program is started outside the job this program runs in where the job
// lets it go: a caller that waits for its job (PowerShell's Start-Process
// -Wait) would otherwise wait for it too, and one that ends its job would
// end it. A job that keeps its programs refuses the breakaway as access
// denied; the program is then started in it.
bool Win32ProcessLauncher::Start(std::u16string_view programPath, std::u16string_view commandLine) {
  const std::wstring program = Wide(programPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  BOOL inJob = FALSE;
  ::IsProcessInJob(::GetCurrentProcess(), nullptr, &inJob);
  PROCESS_INFORMATION info{};
  const auto create = [&](DWORD flags) {
    std::wstring line = Wide(commandLine);  // CreateProcessW may write to it
    return ::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr, FALSE, flags,
                            nullptr, nullptr, &startup, &info);
  };
  bool staysInJob = false;
  if (!create(inJob ? CREATE_BREAKAWAY_FROM_JOB : 0)) {
    if (!inJob || ::GetLastError() != ERROR_ACCESS_DENIED || !create(0)) ThrowLastError();
    staysInJob = true;
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  return staysInJob;
}

void MakeFoldersAbove(std::u16string_view path) {
  const std::wstring p = Wide(path);
  for (size_t slash = p.find(L'\\', 3); slash != std::wstring::npos; slash = p.find(L'\\', slash + 1)) {
    ::CreateDirectoryW(p.substr(0, slash).c_str(), nullptr);
  }
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

void Win32EventPump::WaitForEvents(std::chrono::milliseconds most) {
  ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(most.count()), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

}  // namespace tbo::win
