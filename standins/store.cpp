#include "standins/store.h"

#include <cstdio>

namespace tbo::standin {

std::wstring StoreFolder() {
  const std::wstring folder = L"C:\\standins";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::wstring StorePath(std::wstring_view leaf) { return StoreFolder() + L"\\" + std::wstring(leaf); }

std::string Utf8(std::wstring_view s) {
  if (s.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(std::string_view s) {
  if (s.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string Hex(long code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(code));
  return buf;
}

StoreLock::StoreLock() : mutex_(::CreateMutexW(nullptr, FALSE, L"Local\\tbo-standins-store")) {
  // A holder that died leaves the mutex abandoned; owning it then is fine.
  if (mutex_) ::WaitForSingleObject(mutex_.get(), INFINITE);
}

StoreLock::~StoreLock() {
  if (mutex_) ::ReleaseMutex(mutex_.get());
}

std::string ReadFileText(const std::wstring& path) {
  win::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string text;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  return text;
}

bool WriteFileText(const std::wstring& path, std::string_view text) {
  win::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

Json ReadJsonFile(const std::wstring& path) {
  const std::string text = ReadFileText(path);
  if (text.empty()) return {};
  try {
    return Json::parse(text);
  } catch (const Json::parse_error&) {
    return {};
  }
}

void Journal(std::string_view app, const Json& event) {
  Json line = {{"app", app}, {"pid", ::GetCurrentProcessId()}};
  line.update(event);
  const std::string text = line.dump() + "\n";
  StoreLock lock;
  win::UniqueHandle file(::CreateFileW(StorePath(L"journal.jsonl").c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace tbo::standin
