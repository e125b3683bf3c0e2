// Functions the program uses where Windows has them, and Windows 7 does not
// (or loads them only from a module the program need not load at start).
// The convention: each is looked up once, by Init() at start or on first
// use, and a null pointer means this Windows has none, so the caller takes
// its older way. Every other function is called directly.
#pragma once

#include <windows.h>

namespace tbo::app::dyn {

// Windows 10 1607: DPI per window.
inline UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
inline UINT(WINAPI* GetDpiForSystem)() = nullptr;
inline BOOL(WINAPI* AdjustWindowRectExForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
inline BOOL(WINAPI* SystemParametersInfoForDpi)(UINT, UINT, PVOID, UINT, UINT) = nullptr;
// Windows 8, and Windows 7 with its loader update (KB2533623).
inline BOOL(WINAPI* SetDefaultDllDirectories)(DWORD) = nullptr;

void Init();

// shell32's CommandLineToArgvW, shell32 loaded from the system folder when
// it is called, so that a plain start never loads it. Null when it cannot
// be loaded.
LPWSTR* CommandLineToArgv(LPCWSTR commandLine, int* count);

}  // namespace tbo::app::dyn
