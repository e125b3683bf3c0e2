// The user's record of what is set up: one file per application and
// version, believed only once it is there.
#include "automation/win32/user_record.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "automation/win32/text.h"

namespace {

using tbo::win::Wide;

bool Exists(const std::u16string& path) { return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void Touch(const std::u16string& path) {
  ::CloseHandle(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

std::u16string TempFolder(const wchar_t* leaf) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + leaf;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return tbo::win::FromWide(folder);
}

TEST(UserRecord, OneFilePerApplicationForThisVersionOnly) {
  const std::u16string folder = tbo::RecordFolderIn(TempFolder(L"tbo-record-test")), older = folder + u"\\Word 0.99.txt";
  tbo::win::FileUserRecord record(folder);
  EXPECT_FALSE(record.Has(u"Word"));

  record.Add(u"Word");  // makes the folders
  EXPECT_TRUE(record.Has(u"Word"));
  EXPECT_FALSE(record.Has(u"Excel"));
  // Setting up with this version forgets an earlier version's record.
  Touch(older);
  record.Add(u"Word");
  EXPECT_FALSE(Exists(older));
  EXPECT_EQ(record.Where(u"Word"), folder + u"\\Word 1.00.txt");

  EXPECT_TRUE(record.Remove(u"Word"));
  EXPECT_FALSE(record.Has(u"Word"));
  EXPECT_FALSE(record.Remove(u"Word")) << "nothing left to forget";
  Touch(older);
  EXPECT_FALSE(record.Has(u"Word")) << "an earlier version's record";
  EXPECT_TRUE(record.Remove(u"Word")) << "forgotten whatever version set it up";
}

// A record that cannot be written or removed says why; none is believed.
TEST(UserRecord, FailuresAreThrownWithTheSystemsReason) {
  const std::u16string local = TempFolder(L"tbo-record-blocked");
  Touch(local + u"\\Tambrel");  // a file where the record's folder goes
  tbo::win::FileUserRecord blocked(tbo::RecordFolderIn(local));
  EXPECT_EQ(tbo::ErrorOf([&] { blocked.Add(u"Word"); }), tbo::ErrorFromWin32(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(blocked.Has(u"Word"));

  tbo::win::FileUserRecord nowhere(u"");
  EXPECT_NE(tbo::ErrorOf([&] { nowhere.Add(u"Word"); }), tbo::kNoError);
  EXPECT_FALSE(nowhere.Has(u"Word"));

  const std::u16string folder = tbo::RecordFolderIn(TempFolder(L"tbo-record-kept"));
  tbo::win::FileUserRecord kept(folder);
  kept.Add(u"Excel");
  ::SetFileAttributesW(Wide(kept.Where(u"Excel")).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(tbo::ErrorOf([&] { kept.Remove(u"Excel"); }), tbo::kAccessDenied);
  EXPECT_TRUE(kept.Has(u"Excel"));
  ::SetFileAttributesW(Wide(kept.Where(u"Excel")).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(kept.Remove(u"Excel"));
}

}  // namespace
