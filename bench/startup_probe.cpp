// Starts window programs in rounds, one run of each per round and each
// round begun by the next program, so that a slow spell of the machine falls
// on all of them alike; prints, per run, the time from process start to its
// visible top-level window, and its memory after a second of idling:
//   startup_probe.exe ROUNDS PROGRAM TITLE [PROGRAM TITLE...]
// prints lines "program=<n> ms=<start-up> private_kb=... pagefile_kb=...".
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

// One run: start, wait for the window, idle a second, measure, close.
bool Run(const wchar_t* program, const wchar_t* title, int index, double ticksPerMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring line = L"\"" + std::wstring(program) + L"\"";
  LARGE_INTEGER begin, end;
  ::QueryPerformanceCounter(&begin);
  if (!::CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  tbo::win::UniqueHandle process(info.hProcess), thread(info.hThread);
  Found found{info.dwProcessId, title, nullptr};
  while (!found.hwnd) {
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&found));
    if (!found.hwnd) ::Sleep(1);
  }
  ::QueryPerformanceCounter(&end);
  ::Sleep(1000);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  ::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  std::printf("program=%d ms=%.1f private_kb=%llu ws_kb=%llu pagefile_kb=%llu\n", index,
              static_cast<double>(end.QuadPart - begin.QuadPart) / ticksPerMs,
              static_cast<unsigned long long>(memory.PrivateUsage / 1024),
              static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
              static_cast<unsigned long long>(memory.PagefileUsage / 1024));
  std::fflush(stdout);
  ::PostMessageW(found.hwnd, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) ::TerminateProcess(process.get(), 1);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || argc % 2 != 0) return 2;
  const int rounds = _wtoi(argv[1]);
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  const double ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;
  // Each round starts one program later, so that none is always the one
  // that follows another's exit.
  const int programs = (argc - 2) / 2;
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < programs; ++k) {
      const int n = (round + k) % programs;
      if (!Run(argv[2 + 2 * n], argv[3 + 2 * n], n + 1, ticksPerMs)) return 1;
    }
  }
  return 0;
}
