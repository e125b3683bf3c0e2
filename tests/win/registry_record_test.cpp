// The user's record in the registry: a value per application for this
// version, Version once all is set up, each believed once read back.
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

TEST(RegistryRecord, AValuePerApplicationForThisVersionAndVersionOnceComplete) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tambrel test");
  tbo::win::RegistryUserRecord record(kKey);
  EXPECT_EQ(record.Where(), u"HKCU\\Software\\Tambrel test\\TBO Setup");
  EXPECT_FALSE(record.Has(u"Word"));
  EXPECT_FALSE(record.Remove(u"Word")) << "nothing to forget, no key yet";

  record.Add(u"Word");
  EXPECT_TRUE(record.Has(u"Word"));
  EXPECT_FALSE(record.Has(u"Excel"));
  const std::wstring word = Value(L"Word");
  EXPECT_EQ(word.substr(0, 5), L"1.00 ");
  EXPECT_EQ(word.size(), std::wstring(L"1.00 2026-12-07 14:46").size()) << "the version and when, to the minute";

  ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Excel", REG_SZ, L"0.99 2025-01-01 08:00", 44);
  EXPECT_FALSE(record.Has(u"Excel")) << "an earlier version's record";

  record.Complete();
  EXPECT_EQ(Value(L"Version"), L"1.00");
  record.Incomplete();
  EXPECT_EQ(Value(L"Version"), L"(none)");
  record.Incomplete();  // nothing left to forget is no failure

  EXPECT_TRUE(record.Remove(u"Word"));
  EXPECT_FALSE(record.Has(u"Word"));
  EXPECT_TRUE(record.Remove(u"Excel")) << "forgotten whatever version set it up";
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
  EXPECT_EQ(tbo::ErrorOf([&] { record.Add(u"Word"); }), tbo::ErrorFromWin32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_FALSE(record.Has(u"Word"));
  EXPECT_EQ(tbo::ErrorOf([&] { record.Complete(); }), tbo::ErrorFromWin32(ERROR_CHILD_MUST_BE_VOLATILE));
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tambrel test");
}

}  // namespace
