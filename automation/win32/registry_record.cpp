#include "automation/win32/registry_record.h"

#include <optional>

#include "automation/win32/handles.h"
#include "automation/win32/log_file.h"
#include "automation/win32/text.h"
#include "resources/version.h"

namespace tbo::win {
namespace {

[[noreturn]] void Failed(LSTATUS status) { Fail(ErrorFromWin32(static_cast<std::uint32_t>(status))); }

// The value as text, or nothing when it is not there. Throws when the key
// cannot be read at all.
std::optional<std::wstring> Read(HKEY key, std::u16string_view name) {
  DWORD type = 0, bytes = 0;
  const std::wstring value = Wide(name);
  LSTATUS status = ::RegQueryValueExW(key, value.c_str(), nullptr, &type, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) Failed(status);
  if (type != REG_SZ) return std::wstring();
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  status = ::RegQueryValueExW(key, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
  if (status != ERROR_SUCCESS) Failed(status);
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

UniqueKey Open(const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
  if (status == ERROR_FILE_NOT_FOUND) return UniqueKey();
  if (status != ERROR_SUCCESS) Failed(status);
  return UniqueKey(key);
}

}  // namespace

std::u16string RegistryUserRecord::Where() { return u"HKCU\\" + FromWide(key_); }

bool RegistryUserRecord::Has(std::u16string_view application) {
  try {
    const UniqueKey key = Open(key_, KEY_QUERY_VALUE);
    const std::optional<std::wstring> value = key ? Read(key.get(), application) : std::nullopt;
    return value && value->rfind(L"" TBO_VERSION_TEXT L" ", 0) == 0;
  } catch (const AutomationError&) {
    return false;
  }
}

// Believed once it reads back as written.
void RegistryUserRecord::Write(std::u16string_view name, const std::wstring& value) {
  HKEY created = nullptr;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) Failed(status);
  const UniqueKey key(created);
  status = ::RegSetValueExW(key.get(), Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) Failed(status);
  if (Read(key.get(), name) != value) Fail(ErrorFromWin32(ERROR_WRITE_FAULT));
}

// Whether there was a value to delete; believed once it no longer reads.
bool RegistryUserRecord::Delete(std::u16string_view name) {
  const UniqueKey key = Open(key_, KEY_SET_VALUE | KEY_QUERY_VALUE);
  if (!key) return false;
  const LSTATUS status = ::RegDeleteValueW(key.get(), Wide(name).c_str());
  if (status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) Failed(status);
  if (Read(key.get(), name)) Fail(ErrorFromWin32(ERROR_WRITE_FAULT));
  return true;
}

void RegistryUserRecord::Add(std::u16string_view application) {
  // "1.00 2026-12-07 14:46": the version, and when to the minute.
  Write(application, L"" TBO_VERSION_TEXT L" " + Wide(LocalTimestamp().substr(0, 16)));
}

bool RegistryUserRecord::Remove(std::u16string_view application) { return Delete(application); }

void RegistryUserRecord::Complete() { Write(u"Version", L"" TBO_VERSION_TEXT); }

void RegistryUserRecord::Incomplete() { Delete(u"Version"); }

}  // namespace tbo::win
