// The stand-in applications, a row each: the name scenarios and the journal
// give it, the programmatic identifier the setup program asks for, our own
// class identifier, how it serves its clients, and its application object.
#pragma once

#include <windows.h>

#include <array>
#include <string_view>

#include "standins/office.h"

namespace tbo::standin {

// The application objects, each in its stand-in's file.
win::ComPtr<IDispatch> MakeWord();
win::ComPtr<IDispatch> MakeExcel();
win::ComPtr<IDispatch> MakePowerPoint();

struct AppInfo {
  const char* name;        // as scenarios and the journal spell it
  const wchar_t* progId;   // as the setup program asks for it
  const wchar_t* clsid;
  bool multipleUse;        // PowerPoint serves every client from one process
  win::ComPtr<IDispatch> (*make)();
};

inline constexpr std::array<AppInfo, 3> kApps{{
    {"word", L"Word.Application", L"{7C1D2B31-5A0E-4F6B-9C3E-0B5A1E6D2F01}", false, &MakeWord},
    {"excel", L"Excel.Application", L"{7C1D2B31-5A0E-4F6B-9C3E-0B5A1E6D2F02}", false, &MakeExcel},
    {"powerpoint", L"Powerpoint.Application", L"{7C1D2B31-5A0E-4F6B-9C3E-0B5A1E6D2F03}", true, &MakePowerPoint},
}};

inline const AppInfo* FindApp(std::string_view name) {
  for (const AppInfo& a : kApps) {
    if (name == a.name) return &a;
  }
  return nullptr;
}

}  // namespace tbo::standin
