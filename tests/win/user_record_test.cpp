// The user's record of what is set up: one file per application and
// version, in the user's local application data.
#include "app/user_record.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "automation/win32/text.h"

namespace {

using tbo::win::Wide;

bool Exists(const std::u16string& path) { return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(UserRecord, OneFilePerApplicationForThisVersionOnly) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring local = std::wstring(temp) + L"tbo-record-test";
  ::CreateDirectoryW(local.c_str(), nullptr);
  ASSERT_TRUE(::SetEnvironmentVariableW(L"LOCALAPPDATA", local.c_str()));
  tbo::app::UserRecord record;
  const std::u16string folder = record.folder(), older = folder + u"\\Word 0.99.txt";
  EXPECT_EQ(folder, tbo::win::FromWide(local) + u"\\Tambrel\\TBO Setup");
  EXPECT_FALSE(record.Has(u"Word"));

  record.Add(u"Word", u"2026-12-07 08:00:00");  // makes the folders
  EXPECT_TRUE(record.Has(u"Word"));
  EXPECT_FALSE(record.Has(u"Excel"));
  // Setting up with this version forgets an earlier version's record.
  ::CloseHandle(::CreateFileW(Wide(older).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  record.Add(u"Word", u"2026-12-07 08:01:00");
  EXPECT_FALSE(Exists(older));
  EXPECT_EQ(record.PathOf(u"Word"), folder + u"\\Word 1.00.txt");

  EXPECT_TRUE(record.Remove(u"Word"));
  EXPECT_FALSE(record.Has(u"Word"));
  EXPECT_FALSE(record.Remove(u"Word")) << "nothing left to forget";
  ::CloseHandle(::CreateFileW(Wide(older).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  EXPECT_FALSE(record.Has(u"Word")) << "an earlier version's record";
  EXPECT_TRUE(record.Remove(u"Word")) << "forgotten whatever version set it up";
}

}  // namespace
