#include "automation/win32/registry_record.h"

#include <optional>

#include "automation/win32/handles.h"
#include "automation/win32/log_file.h"
#include "automation/win32/text.h"

namespace tbo::win {
namespace {

[[noreturn]] void Failed(LSTATUS status) { Fail(ErrorFromWin32(static_cast<std::uint32_t>(status))); }

// The value as text (a value of another type reads as ""), or nothing when
// it is not there. Throws when the key cannot be read at all.
std::optional<std::wstring> ReadText(HKEY key, std::u16string_view name) {
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

std::u16string RegistryUserRecord::Now() { return LocalTimestamp().substr(0, 16); }

std::optional<std::u16string> RegistryUserRecord::Read(std::u16string_view name) {
  const UniqueKey key = Open(key_, KEY_QUERY_VALUE);
  const std::optional<std::wstring> value = key ? ReadText(key.get(), name) : std::nullopt;
  if (!value) return std::nullopt;
  return FromWide(*value);
}

void RegistryUserRecord::Write(std::u16string_view name, std::u16string_view text) {
  HKEY created = nullptr;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) Failed(status);
  const UniqueKey key(created);
  const std::wstring value = Wide(text);
  status = ::RegSetValueExW(key.get(), Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) Failed(status);
  if (ReadText(key.get(), name) != value) Fail(ErrorFromWin32(ERROR_WRITE_FAULT));
}

bool RegistryUserRecord::Remove(std::u16string_view name) {
  const UniqueKey key = Open(key_, KEY_SET_VALUE | KEY_QUERY_VALUE);
  if (!key) return false;
  const LSTATUS status = ::RegDeleteValueW(key.get(), Wide(name).c_str());
  if (status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) Failed(status);
  if (ReadText(key.get(), name)) Fail(ErrorFromWin32(ERROR_WRITE_FAULT));
  return true;
}

}  // namespace tbo::win
