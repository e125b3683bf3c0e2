#include "automation/win32/log_file.h"

#include <windows.h>

#include "automation/run_log.h"
#include "automation/win32/handles.h"
#include "automation/win32/text.h"

namespace tbo::win {
namespace {

UniqueHandle OpenForAppending(const std::u16string& path) {
  return UniqueHandle(::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string Utf8(std::u16string_view s) {
  const std::wstring w = Wide(s);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::u16string LogFile::CheckAppendable() const {
  // Windows refuses to write to a read-only file; so do we, also where the
  // file system would let a privileged user do it.
  const DWORD attributes = ::GetFileAttributesW(Wide(path_).c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (!readOnly && OpenForAppending(path_)) return u"";
  const DWORD error = readOnly ? ERROR_ACCESS_DENIED : ::GetLastError();
  const std::u16string text = SystemText(ErrorFromWin32(error));
  return text.empty() ? u"error " + RunLog::Hex(ErrorFromWin32(error)) : text;
}

void LogFile::Append(std::u16string_view line) {
  if (path_.empty()) return;
  const UniqueHandle file = OpenForAppending(path_);
  if (!file) return;  // a log that went away must not stop the run
  const std::string bytes = Utf8(line) + "\r\n";
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::u16string SystemText(ErrorNumber error) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", n);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return FromWide(text);
}

std::u16string LocalTimestamp() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  // By hand: the C library's formatted printing would add 16 KB to the program.
  char16_t text[] = u"0000-00-00 00:00:00";
  const auto put = [&](int at, int width, unsigned n) {
    for (int i = at + width - 1; i >= at; --i, n /= 10) text[i] = static_cast<char16_t>(u'0' + n % 10);
  };
  put(0, 4, t.wYear), put(5, 2, t.wMonth), put(8, 2, t.wDay);
  put(11, 2, t.wHour), put(14, 2, t.wMinute), put(17, 2, t.wSecond);
  return text;
}

}  // namespace tbo::win
