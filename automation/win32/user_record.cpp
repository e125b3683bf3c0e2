#include "automation/win32/user_record.h"

#include <windows.h>

#include <string>

#include "automation/win32/fail.h"
#include "automation/win32/handles.h"
#include "automation/win32/log_file.h"
#include "automation/win32/platform.h"
#include "automation/win32/text.h"
#include "resources/version.h"

namespace tbo::win {
namespace {

// Deletes every "<application> *.txt" in folder but keep; whether it
// deleted any. Throws when one stays.
bool RemoveRecords(const std::u16string& folder, std::u16string_view application, std::u16string_view keep) {
  WIN32_FIND_DATAW found;
  const UniqueFind search(
      ::FindFirstFileW(Wide(folder + u"\\" + std::u16string(application) + u" *.txt").c_str(), &found));
  bool removed = false;
  if (!search) return removed;
  do {
    const std::u16string name = FromWide(found.cFileName);
    if (name == keep) continue;
    if (!::DeleteFileW(Wide(folder + u"\\" + name).c_str())) ThrowLastError();
    removed = true;
  } while (::FindNextFileW(search.get(), &found));
  return removed;
}

bool Exists(const std::u16string& path) {
  return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::u16string FileUserRecord::Where(std::u16string_view application) {
  return folder_ + u"\\" + std::u16string(application) + u" " TBO_VERSION_TEXT u".txt";
}

// Without a folder from the system there is nowhere a record could be kept.
void FileUserRecord::NeedsFolder() const {
  if (folder_.empty()) Fail(ErrorFromWin32(ERROR_PATH_NOT_FOUND));
}

bool FileUserRecord::Has(std::u16string_view application) {
  return !folder_.empty() && Exists(Where(application));
}

void FileUserRecord::Add(std::u16string_view application) {
  NeedsFolder();
  const std::u16string path = Where(application);
  MakeFoldersAbove(path);
  const UniqueHandle file(
      ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowLastError();
  const std::u16string when = LocalTimestamp();
  const std::string text = "set up " + std::string(when.begin(), when.end()) + " by TBO Setup " + TBO_VERSION_TEXT +
                           "\r\n";
  DWORD written = 0;
  if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      !::FlushFileBuffers(file.get())) {
    ThrowLastError();
  }
  if (written != text.size()) Fail(ErrorFromWin32(ERROR_DISK_FULL));
  if (!Exists(path)) Fail(ErrorFromWin32(ERROR_FILE_NOT_FOUND));  // believed once read back
  // An earlier version's record no longer counts; one that stays does no harm.
  try {
    RemoveRecords(folder_, application, path.substr(path.rfind(u'\\') + 1));
  } catch (const AutomationError&) {
  }
}

bool FileUserRecord::Remove(std::u16string_view application) {
  NeedsFolder();
  return RemoveRecords(folder_, application, u"");
}

}  // namespace tbo::win
