#include "automation/win32/log_file.h"

#include <windows.h>

#include "automation/run_log.h"
#include "automation/text.h"
#include "automation/win32/handles.h"
#include "automation/win32/platform.h"
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

std::u16string Described(DWORD error) {
  const std::u16string text = SystemText(ErrorFromWin32(error));
  return text.empty() ? u"error " + RunLog::Hex(ErrorFromWin32(error)) : text;
}

// The system's reason when the file cannot be appended to, "" when it can.
// Windows refuses to write to a read-only file; so do we, also where the
// file system would let a privileged user do it.
std::u16string AppendProblem(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Described(ERROR_ACCESS_DENIED);
  }
  return OpenForAppending(FromWide(path)) ? u"" : Described(::GetLastError());
}

// "%TEMP%\x.log" as the environment has it.
std::wstring Expanded(const std::wstring& text) {
  std::wstring out(::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0), L'\0');
  out.resize(::ExpandEnvironmentStringsW(text.c_str(), out.data(), static_cast<DWORD>(out.size())));
  while (!out.empty() && out.back() == L'\0') out.pop_back();
  return out;
}

std::wstring Absolute(const std::wstring& path) {
  std::wstring out(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
  out.resize(::GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr));
  return out;
}

}  // namespace

LogPlace PrepareLog(std::u16string_view given) {
  if (given.find(u'"') != std::u16string_view::npos) {
    return {std::u16string(given),
            u"The log file name " + std::u16string(given) +
                u" holds a quotation mark. A folder written with a backslash before its closing quotation mark "
                u"(\"C:\\Logs\\\") makes Windows read \\\" as a quotation mark and join the rest of the command "
                u"line to the name: leave that backslash out or double it (\"C:\\Logs\\\\\")."};
  }
  const std::wstring path = Absolute(Expanded(Wide(given)));
  if (path.empty()) return {std::u16string(given), u"The log file " + std::u16string(given) + u" names no file."};
  MakeFoldersAbove(FromWide(path));
  const std::u16string problem = AppendProblem(path);
  return {FromWide(path),
          problem.empty() ? u"" : u"The log file " + FromWide(path) + u" cannot be written: " + problem};
}

std::u16string FallbackLogPath() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  return FromWide(temp) + u"TBO Setup.log";
}

void LogFile::Write(std::u16string_view line) {
  if (path_.empty()) return;
  const UniqueHandle file = OpenForAppending(path_);
  if (!file) return;  // a log that went away must not stop the run
  const std::string bytes = Utf8(line) + "\r\n";
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void LogFile::Append(std::u16string_view line) {
  Write(LocalTimestamp().substr(11) + u" " + Decimal(::GetCurrentProcessId()) + u" " + std::u16string(line));
}

std::u16string SystemText(ErrorNumber error) {
  // English first: a log read by an administrator anywhere, or by support.
  for (const DWORD language : {DWORD{MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}, DWORD{0}}) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocal<wchar_t*> owned(buffer);
    std::wstring text(buffer ? buffer : L"", n);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (!text.empty()) return FromWide(text);
  }
  return u"";
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
