#include "automation/win32/run_context.h"

#include <windows.h>

#include <vector>

#include "automation/win32/handles.h"

namespace tbo::win {
namespace {

// The token's user is one of the accounts services run under.
bool IsServiceAccount() {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  const UniqueHandle token(opened);
  DWORD bytes = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes);
  std::vector<BYTE> buffer(bytes);
  if (bytes == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), bytes, &bytes)) return false;
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  return ::IsWellKnownSid(sid, WinLocalSystemSid) || ::IsWellKnownSid(sid, WinLocalServiceSid) ||
         ::IsWellKnownSid(sid, WinNetworkServiceSid);
}

bool HasInteractiveDesktop() {
  USEROBJECTFLAGS flags{};
  const HWINSTA station = ::GetProcessWindowStation();
  return station &&
         ::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
         (flags.dwFlags & WSF_VISIBLE);
}

}  // namespace

Context CurrentContext() {
  Context context;
  context.serviceAccount = IsServiceAccount();
  DWORD session = 1;
  if (::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) context.session = session;
  context.interactiveDesktop = HasInteractiveDesktop();
  return context;
}

}  // namespace tbo::win
