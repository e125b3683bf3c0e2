// The user's record in the user's registry, which roams with them as the
// global template and Office's add-in settings do:
// HKCU\Software\Tambrel\TBO Setup, text values of REG_SZ.
#pragma once

#include <windows.h>

#include "automation/user_record.h"

namespace tbo::win {

class RegistryUserRecord final : public UserRecord {
 public:
  // key: below HKEY_CURRENT_USER.
  explicit RegistryUserRecord(std::wstring key = L"Software\\Tambrel\\TBO Setup") : key_(std::move(key)) {}
  std::optional<std::u16string> Read(std::u16string_view name) override;
  void Write(std::u16string_view name, std::u16string_view value) override;
  bool Remove(std::u16string_view name) override;
  std::u16string Where() override;
  std::u16string Now() override;

 private:
  std::wstring key_;
};

}  // namespace tbo::win
