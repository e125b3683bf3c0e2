// Starts a window program several times and prints, per run, the time from
// process start to its visible top-level window, and its private memory
// after a second of idling:
//   startup_probe.exe PROGRAM TITLE RUNS
// prints lines "ms=<start-up> private_kb=<memory>".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "automation/win32/handles.h"

namespace {

struct Found {
  DWORD pid;
  const wchar_t* title;
  HWND hwnd;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
  auto* f = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t title[64] = {};
  ::GetWindowTextW(hwnd, title, 64);
  if (pid == f->pid && ::IsWindowVisible(hwnd) && std::wstring(title) == f->title) {
    f->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const int runs = _wtoi(argv[3]);
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  for (int run = 0; run < runs; ++run) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    LARGE_INTEGER begin, end;
    ::QueryPerformanceCounter(&begin);
    if (!::CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return 1;
    }
    tbo::win::UniqueHandle process(info.hProcess), thread(info.hThread);
    Found found{info.dwProcessId, argv[2], nullptr};
    while (!found.hwnd) {
      ::EnumWindows(Match, reinterpret_cast<LPARAM>(&found));
      if (!found.hwnd) ::Sleep(1);
    }
    ::QueryPerformanceCounter(&end);
    ::Sleep(1000);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    std::printf("ms=%.1f private_kb=%llu ws_kb=%llu pagefile_kb=%llu\n",
                1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart),
                static_cast<unsigned long long>(memory.PrivateUsage / 1024),
                static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
                static_cast<unsigned long long>(memory.PagefileUsage / 1024));
    std::fflush(stdout);
    ::PostMessageW(found.hwnd, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
  }
  return 0;
}
