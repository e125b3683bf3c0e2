// Starting Excel from a folder whose name has blanks: only the named program
// may start, and it must receive the command line as written.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "automation/win32/platform.h"
#include "automation/win32/text.h"

namespace {

using tbo::win::FromWide;

std::wstring Recorder() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir(self);
  return dir.substr(0, dir.find_last_of(L'\\')) + L"\\record_start.exe";
}

// What the recorder at `program` wrote when it ran: path, newline, command
// line; empty when it did not run within `tries` times 50 ms.
std::wstring Started(const std::wstring& program, int tries = 100) {
  const std::wstring marker = program + L".started";
  for (int i = 0; i < tries && ::GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(50);
  ::Sleep(100);
  const HANDLE in = ::CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[2048] = {};
  DWORD read = 0;
  ::ReadFile(in, buffer, sizeof buffer - sizeof(wchar_t), &read, nullptr);
  ::CloseHandle(in);
  ::DeleteFileW(marker.c_str());
  return buffer;
}

class PlantedProgram : public ::testing::Test {
 protected:
  const std::wstring folder = L"C:\\Program Files\\Tambrel Test Office";
  const std::wstring excel = folder + L"\\EXCEL.EXE";
  const std::wstring plant = L"C:\\Program.exe";
  const std::wstring line = excel + L"  C:\\TamBrel\\Tambrel_O21.xla";
  void SetUp() override {
    ::CreateDirectoryW(L"C:\\Program Files", nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(Recorder().c_str(), excel.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(Recorder().c_str(), plant.c_str(), FALSE));
  }
  void TearDown() override {
    ::DeleteFileW(plant.c_str());
    ::DeleteFileW(excel.c_str());
    ::RemoveDirectoryW(folder.c_str());
  }
  tbo::win::Win32ProcessLauncher launcher;
};

TEST_F(PlantedProgram, AnUnnamedProgramLetsTheCommandLineStartThePlant) {
  // Shows that the danger is real here, so the next test can fail.
  launcher.Start(u"", FromWide(line));
  EXPECT_EQ(Started(plant).substr(0, plant.size()), plant);
}

TEST_F(PlantedProgram, TheNamedProgramStartsWithTheCommandLineVerbatimOutsideTheCallersJob) {
  // As PowerShell's Start-Process -Wait or a management tool runs us: in a
  // job that lets programs out. The new Excel must not be kept in it.
  const tbo::win::UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  ASSERT_TRUE(::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits));
  ASSERT_TRUE(::AssignProcessToJobObject(job.get(), ::GetCurrentProcess()));
  EXPECT_FALSE(launcher.Start(FromWide(excel), FromWide(line))) << "reported as left in the job";
  EXPECT_EQ(Started(excel), excel + L"\n" + line + L"\njob: no");
  EXPECT_EQ(Started(plant, 20), L"") << "the plant would have started by now";
}

}  // namespace
