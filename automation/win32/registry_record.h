// The user's record in the user's registry, which roams with them as the
// global template and Office's add-in settings do:
// HKCU\Software\Tambrel\TBO Setup, a value per application the program set
// up ("Word" = "1.00 2026-12-07 14:46") and, once every application asked
// for is set up, Version = "1.00": the one value a detection rule reads.
#pragma once

#include <windows.h>

#include "automation/user_record.h"

namespace tbo::win {

class RegistryUserRecord final : public UserRecord {
 public:
  // key: below HKEY_CURRENT_USER.
  explicit RegistryUserRecord(std::wstring key = L"Software\\Tambrel\\TBO Setup") : key_(std::move(key)) {}
  bool Has(std::u16string_view application) override;
  void Add(std::u16string_view application) override;
  bool Remove(std::u16string_view application) override;
  void Complete() override;
  void Incomplete() override;
  std::u16string Where() override;

 private:
  void Write(std::u16string_view name, const std::wstring& value);
  bool Delete(std::u16string_view name);
  std::wstring key_;
};

}  // namespace tbo::win
