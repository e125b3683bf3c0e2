#include "app/user_record.h"

#include <windows.h>

#include <string>

#include "automation/win32/handles.h"
#include "automation/win32/text.h"
#include "resources/version.h"

namespace tbo::app {
namespace {

using win::FromWide;
using win::Wide;

// Deletes every "<application> *.txt" in folder but keep; whether it
// deleted any.
bool RemoveRecords(const std::u16string& folder, std::u16string_view application, std::u16string_view keep) {
  WIN32_FIND_DATAW found;
  const win::UniqueFind search(
      ::FindFirstFileW(Wide(folder + u"\\" + std::u16string(application) + u" *.txt").c_str(), &found));
  bool removed = false;
  if (!search) return removed;
  do {
    const std::u16string name = FromWide(found.cFileName);
    if (name != keep) removed = ::DeleteFileW(Wide(folder + u"\\" + name).c_str()) || removed;
  } while (::FindNextFileW(search.get(), &found));
  return removed;
}

}  // namespace

UserRecord::UserRecord() {
  wchar_t local[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
  folder_ = (n > 0 && n < MAX_PATH ? FromWide(local) : u"") + u"\\Tambrel\\TBO Setup";
}

std::u16string UserRecord::PathOf(std::u16string_view application) const {
  return folder_ + u"\\" + std::u16string(application) + u" " TBO_VERSION_TEXT u".txt";
}

bool UserRecord::Has(std::u16string_view application) const {
  return ::GetFileAttributesW(Wide(PathOf(application)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void UserRecord::Add(std::u16string_view application, std::u16string_view when) {
  const std::wstring folder = Wide(folder_);
  ::CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::u16string path = PathOf(application);
  const win::UniqueHandle file(
      ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string text = "set up " + std::string(when.begin(), when.end()) + " by TBO Setup " + TBO_VERSION_TEXT +
                           "\r\n";
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  RemoveRecords(folder_, application, path.substr(path.rfind(u'\\') + 1));
}

bool UserRecord::Remove(std::u16string_view application) { return RemoveRecords(folder_, application, u""); }

}  // namespace tbo::app
