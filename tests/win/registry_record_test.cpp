// The user's record in the registry: text values, each believed once read
// back.
#include "automation/win32/registry_record.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "automation/win32/handles.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\Tambrel test\\TBO Setup";

std::wstring Value(const wchar_t* name) {
  wchar_t text[128] = {};
  DWORD bytes = sizeof text;
  if (::RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
    return L"(none)";
  }
  return text;
}

TEST(RegistryRecord, TextValuesBelievedOnceReadBack) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tambrel test");
  tbo::win::RegistryUserRecord record(kKey);
  EXPECT_EQ(record.Where(), u"HKCU\\Software\\Tambrel test\\TBO Setup");
  EXPECT_EQ(record.Read(u"Word"), std::nullopt) << "no key yet";
  EXPECT_FALSE(record.Remove(u"Word")) << "nothing to forget, no key yet";

  record.Write(u"Word", u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46 Thư");
  EXPECT_EQ(Value(L"Word"), L"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46 Th\u01b0");
  EXPECT_EQ(record.Read(u"Word"), u"Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46 Thư");
  EXPECT_EQ(record.Read(u"Excel"), std::nullopt);
  const DWORD number = 3;
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Excel", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(record.Read(u"Excel"), u"") << "a value of another kind is no text";

  const std::u16string now = record.Now();
  ASSERT_EQ(now.size(), 16u) << "to the minute";
  EXPECT_EQ(now.substr(4, 1) + now.substr(7, 1) + now.substr(10, 1) + now.substr(13, 1), u"-- :");

  EXPECT_TRUE(record.Remove(u"Word"));
  EXPECT_EQ(Value(L"Word"), L"(none)");
  EXPECT_FALSE(record.Remove(u"Word")) << "nothing left to forget is no failure";
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tambrel test");
}

// A record that cannot be written says why and is no record: here a parent
// key that only lives until the session ends refuses a lasting child.
TEST(RegistryRecord, AWriteThatCannotLastIsThrownWithTheSystemsReason) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tambrel test");
  HKEY volatileKey = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tambrel test", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  const tbo::win::UniqueKey owned(volatileKey);
  tbo::win::RegistryUserRecord record(kKey);
  EXPECT_EQ(tbo::ErrorOf([&] { record.Write(u"Word", u"x"); }), tbo::ErrorFromWin32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_EQ(record.Read(u"Word"), std::nullopt);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tambrel test");
}

}  // namespace
