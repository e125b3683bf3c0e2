// Where a run finds itself, read from the token, the session and the window
// station: a person's run under Wine is in the signed-in user's context.
#include "automation/win32/run_context.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "automation/win32/handles.h"

#include "installers/run.h"

namespace {

TEST(RunContext, APersonsRunIsTheSignedInUsers) {
  const tbo::Context here = tbo::win::CurrentContext();
  EXPECT_FALSE(here.serviceAccount);
  EXPECT_NE(here.session, 0u);
  EXPECT_TRUE(here.interactiveDesktop);
  EXPECT_EQ(tbo::RefusalOf(here), u"");
}

}  // namespace

// The refusal is wired where the program starts: started on a window
// station no one sees (as a service's would be), it ends with 1603 before it
// reaches anything, and its log says why.
TEST(RunContext, ARunOnAWindowStationNoOneSeesIsRefusedBeforeAnything) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  folder.resize(folder.find_last_of(L'\\'));
  // The product tree beside this one: build/win64-tests, build/win64.
  const std::wstring program = folder.substr(0, folder.find_last_of(L'\\')) + L"\\win64\\TBO_Setup.exe";
  ASSERT_NE(::GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES) << "build the product first";
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"tbo-refused.log";
  ::DeleteFileW(log.c_str());

  const HWINSTA own = ::GetProcessWindowStation();
  const HWINSTA hidden = ::CreateWindowStationW(L"TBOTestStation", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_NE(hidden, nullptr);
  ASSERT_TRUE(::SetProcessWindowStation(hidden));
  const HDESK desktop = ::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  ::SetProcessWindowStation(own);
  ASSERT_NE(desktop, nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = const_cast<LPWSTR>(L"TBOTestStation\\Default");
  PROCESS_INFORMATION info{};
  std::wstring line = L"\"" + program + L"\" /word /quiet /log \"" + log + L"\"";
  ASSERT_TRUE(::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &info));
  const tbo::win::UniqueHandle process(info.hProcess), thread(info.hThread);
  ASSERT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 1603u);
  const tbo::win::UniqueHandle file(
      ::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char text[4096] = {};
  DWORD read = 0;
  if (file) ::ReadFile(file.get(), text, sizeof text - 1, &read, nullptr);
  const std::string written(text, read);
  EXPECT_NE(written.find("has no interactive desktop; nothing was done"), std::string::npos) << written;
  EXPECT_EQ(written.find("press Word"), std::string::npos) << "no Office reached";
  ::CloseDesktop(desktop);
  ::CloseWindowStation(hidden);
}
