// The file, process and event services on real files and windows in the
// Wine prefix.
#include <gtest/gtest.h>


#include <algorithm>

#include "automation/operation.h"
#include "automation/win32/platform.h"
#include "automation/win32/text.h"

namespace {

using tbo::win::FromWide;
using tbo::win::Wide;


class WinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = info->name();
    dir_ = FromWide(temp) + u"tbo-" + std::u16string(name.begin(), name.end());
    Clean();
    ::CreateDirectoryW(Wide(dir_).c_str(), nullptr);
  }
  void TearDown() override { Clean(); }
  void Clean() {
    for (auto n : {u"plain.xla", u"readonly.xla", u"archive.xla", u"hidden.xla", u"system.xla", u"out.txt"}) {
      ::SetFileAttributesW(Wide(At(n)).c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(Wide(At(n)).c_str());
    }
    ::RemoveDirectoryW(Wide(At(u"folder.xla")).c_str());
    ::RemoveDirectoryW(Wide(dir_).c_str());
  }
  std::u16string At(std::u16string_view name) const { return dir_ + u"\\" + std::u16string(name); }
  void Make(std::u16string_view name, DWORD attributes) {
    tbo::win::UniqueHandle h(::CreateFileW(Wide(At(name)).c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h);
    h.reset();
    ASSERT_TRUE(::SetFileAttributesW(Wide(At(name)).c_str(), attributes));
  }
  bool Exists(std::u16string_view name) const {
    return ::GetFileAttributesW(Wide(At(name)).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::u16string dir_;
  tbo::win::Win32Platform platform;
  tbo::win::Win32FileSystem& files = platform.files;
};

TEST_F(WinFiles, SearchFindsOrdinaryReadOnlyAndArchiveFilesOnly) {
  Make(u"plain.xla", FILE_ATTRIBUTE_NORMAL);
  Make(u"readonly.xla", FILE_ATTRIBUTE_READONLY);
  Make(u"archive.xla", FILE_ATTRIBUTE_ARCHIVE);
  Make(u"hidden.xla", FILE_ATTRIBUTE_HIDDEN);
  Make(u"system.xla", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(::CreateDirectoryW(Wide(At(u"folder.xla")).c_str(), nullptr));
  std::vector<std::u16string> found;
  for (auto name = files.FindFirst(dir_ + u"\\*.xla", tbo::Search::Continued); !name.empty();
       name = files.FindNext()) {
    found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::u16string>{u"archive.xla", u"plain.xla", u"readonly.xla"}));
  EXPECT_EQ(tbo::ErrorOf([&] { files.FindNext(); }), tbo::kInvalidCall) << "the search is over";
}

TEST_F(WinFiles, SearchComparesNamesWithoutCaseAndReportsNothingForMissingPaths) {
  Make(u"plain.xla", FILE_ATTRIBUTE_NORMAL);
  Make(u"readonly.xla", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(files.FindFirst(dir_ + u"\\PLAIN.XLA"), u"plain.xla");
  EXPECT_FALSE(files.FindFirst(dir_ + u"\\*.xla").empty());
  EXPECT_EQ(tbo::ErrorOf([&] { files.FindNext(); }), tbo::kInvalidCall)
      << "a search that will not be continued is closed at once, keeping no folder open";
  EXPECT_EQ(files.FindFirst(dir_ + u"\\missing.xla"), u"");
  EXPECT_EQ(files.FindFirst(dir_ + u"\\no-folder\\plain.xla"), u"");
  EXPECT_EQ(files.FindFirst(u""), u"");
}

TEST_F(WinFiles, ReadOnlyFileIsDeletedOnlyAfterTheReset) {
  Make(u"readonly.xla", FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(tbo::ErrorOf([&] { files.Delete(At(u"readonly.xla")); }), tbo::kAccessDenied);
  files.SetNormalAttributes(At(u"readonly.xla"));
  files.Delete(At(u"readonly.xla"));
  EXPECT_FALSE(Exists(u"readonly.xla"));
  EXPECT_EQ(tbo::ErrorOf([&] { files.Delete(At(u"readonly.xla")); }), tbo::kFileNotFound);
  EXPECT_EQ(tbo::ErrorOf([&] { files.SetNormalAttributes(At(u"readonly.xla")); }), tbo::kFileNotFound);
}

TEST_F(WinFiles, RemoveFileIfPresentLeavesHiddenAndSystemFiles) {
  Make(u"readonly.xla", FILE_ATTRIBUTE_READONLY);
  Make(u"hidden.xla", FILE_ATTRIBUTE_HIDDEN);
  Make(u"system.xla", FILE_ATTRIBUTE_SYSTEM);
  tbo::Operation op(platform.services());
  for (auto n : {u"READONLY.XLA", u"hidden.xla", u"system.xla"}) op.RemoveFileIfPresent(At(n));
  EXPECT_FALSE(Exists(u"readonly.xla"));
  EXPECT_TRUE(Exists(u"hidden.xla"));
  EXPECT_TRUE(Exists(u"system.xla"));
}

TEST_F(WinFiles, ALockedFileIsPassedOverAndKeepsItsAttributes) {
  Make(u"readonly.xla", FILE_ATTRIBUTE_READONLY);
  tbo::win::UniqueHandle held(::CreateFileW(Wide(At(u"readonly.xla")).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  tbo::Operation op(platform.services());
  op.RemoveFileIfPresent(At(u"readonly.xla"));
  EXPECT_EQ(op.PendingError(), tbo::kSharingViolation);
  EXPECT_EQ(::GetFileAttributesW(Wide(At(u"readonly.xla")).c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  held.reset();
  op.RemoveFileIfPresent(At(u"readonly.xla"));
  EXPECT_FALSE(Exists(u"readonly.xla"));
}

TEST_F(WinFiles, PathsPastMaxPathAndVietnameseNamesWork) {
  // Nested folders with Vietnamese names until the file's path is ~300 long.
  std::vector<std::wstring> folders;
  std::wstring path = L"\\\\?\\" + Wide(dir_);
  while (path.size() < 300) {
    path += L"\\Th\u01B0 m\u1EE5c ng\u01B0\u1EDDi d\u00F9ng";
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    folders.push_back(path);
  }
  const std::wstring file = path + L"\\tbadd.xla";
  tbo::win::UniqueHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_READONLY, nullptr));
  const std::u16string plain = FromWide(file.substr(4));
  ASSERT_GT(plain.size(), 260u);
  EXPECT_EQ(files.FindFirst(plain), u"tbadd.xla");
  tbo::Operation op(platform.services());
  op.RemoveFileIfPresent(plain);
  EXPECT_EQ(op.PendingError(), tbo::kNoError);
  EXPECT_EQ(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) ::RemoveDirectoryW(it->c_str());
}

TEST_F(WinFiles, StartsAProgramWithItsCommandLineVerbatim) {
  wchar_t system[MAX_PATH];
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::u16string cmd = FromWide(system) + u"\\cmd.exe";
  platform.processes.Start(cmd, u"cmd /c echo started> \"" + At(u"out.txt") + u"\"");
  for (int i = 0; i < 100 && !Exists(u"out.txt"); ++i) ::Sleep(100);
  EXPECT_TRUE(Exists(u"out.txt"));
  EXPECT_EQ(tbo::ErrorOf([&] { platform.processes.Start(dir_ + u"\\missing.exe", u"missing.exe"); }),
            tbo::kFileNotFound);
}

TEST(WinEvents, YieldDispatchesPendingMessagesAndLeavesQuitForTheMainLoop) {
  static int received = 0;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_APP) ++received;
    return ::DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"tbo-yield-test";
  ::RegisterClassW(&wc);
  tbo::win::UniqueWindow w(::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                             nullptr, wc.hInstance, nullptr));
  ::PostMessageW(w.get(), WM_APP, 0, 0);
  ::PostQuitMessage(7);
  tbo::win::Win32EventPump().YieldToPending();
  EXPECT_EQ(received, 1);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
