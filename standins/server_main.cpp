// office_standin.exe: one stand-in Office application per process.
//   office_standin.exe /regserver word excel powerpoint   register these (HKLM)
//   office_standin.exe /unregserver word ...               remove them
//   office_standin.exe APP -Embedding                      started by COM
//   office_standin.exe APP                                 started "by the user":
//                                                          visible, in the running
//                                                          object table, for attaching
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "automation/win32/handles.h"
#include "standins/apps.h"
#include "standins/server.h"
#include "standins/store.h"

namespace {

using namespace tbo::standin;

// One COM interface on an object that lives as long as the process, so its
// references need no counting.
template <class Interface, const IID& kIid>
class ProcessLifetime : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == kIid) {
      *out = static_cast<Interface*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};
using tbo::win::ComPtr;

bool SetKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const tbo::win::UniqueKey owned(h);
  return ::RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Under HKLM: Wine looks up programmatic identifiers only there.
int Register(const std::vector<std::wstring>& apps, bool add) {
  wchar_t module[MAX_PATH];
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  int failures = 0;
  for (const std::wstring& name : apps) {
    const AppInfo* app = FindApp(Utf8(name));
    if (!app) {
      ++failures;
      continue;
    }
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring clsidKey = classes + L"CLSID\\" + app->clsid;
    if (!add) {
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classes + app->progId).c_str());
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, clsidKey.c_str());
      continue;
    }
    const bool ok = SetKey(classes + app->progId, nullptr, std::wstring(L"Stand-in ") + app->progId) &&
                    SetKey(classes + app->progId + L"\\CLSID", nullptr, app->clsid) &&
                    SetKey(clsidKey, nullptr, std::wstring(L"Stand-in ") + app->progId) &&
                    SetKey(clsidKey + L"\\ProgID", nullptr, app->progId) &&
                    SetKey(clsidKey + L"\\LocalServer32", nullptr,
                           L"\"" + std::wstring(module) + L"\" " + name);
    if (!ok) ++failures;
  }
  return failures ? 3 : 0;  // 1 is left to Wine
}

// Turns the first calls away as busy when the scenario says so. Only
// IDispatch calls count: the activation calls must go through, as they do
// with a busy Office.
class BusyFilter final : public ProcessLifetime<IMessageFilter, IID_IMessageFilter> {
 public:
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
    const bool dispatchCall = !info || info->iid == IID_IDispatch;
    if (dispatchCall && Server::Current().RejectBusy()) {
      const int method = info ? static_cast<int>(info->wMethod) : -1;
      Journal(Server::Current().app(), {{"event", "busy"}, {"method", method}});
      return SERVERCALL_REJECTED;
    }
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

// Hands out the process's one application object.
class Factory final : public ProcessLifetime<IClassFactory, IID_IClassFactory> {
 public:
  explicit Factory(IDispatch* app) : app_(app) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    if (Server::Current().stopping()) return CO_E_SERVER_STOPPING;
    return app_->QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  IDispatch* app_;
};

int Serve(const AppInfo& info, bool embedding) {
  Server server(info.name, !embedding);
  server.Load();

  BusyFilter filter;
  ComPtr<IMessageFilter> previous;
  ::CoRegisterMessageFilter(&filter, previous.put());

  ComPtr<IDispatch> app = info.make();
  CLSID clsid{};
  ::CLSIDFromString(info.clsid, &clsid);
  DWORD rot = 0, classCookie = 0;
  // Strong, so that a visible application left by its client stays
  // reachable; Quit revokes it.
  ::RegisterActiveObject(app.get(), clsid, ACTIVEOBJECT_STRONG, &rot);
  // Word and Excel started by the user take no CreateObject calls; a running
  // PowerPoint does, as Office's do.
  Factory factory(app.get());
  if (embedding || info.multipleUse) {
    ::CoRegisterClassObject(clsid, &factory, CLSCTX_LOCAL_SERVER,
                            info.multipleUse ? REGCLS_MULTIPLEUSE : REGCLS_SINGLEUSE, &classCookie);
  }
  // Journalled once reachable, so that whoever started us may go on.
  server.Started();
  server.onQuit = [&] {
    // After Quit, neither GetActiveObject nor CreateObject may reach us.
    if (rot) ::RevokeActiveObject(std::exchange(rot, 0), nullptr);
    if (classCookie) ::CoRevokeClassObject(std::exchange(classCookie, 0));
  };

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!msg.hwnd && msg.message == WM_TIMER && server.stopping()) break;  // the lingering is over
    if (!msg.hwnd && msg.message == kDieMessage) {
      // Let the answer of the call just made reach its caller first.
      ::Sleep(100);
      Die(info.name, "after");
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  server.onQuit();
  app.reset();
  server.Stopped();
  ::CoRegisterMessageFilter(previous.get(), nullptr);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  const tbo::win::UniqueLocal<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  std::vector<std::wstring> args(argv.get() + 1, argv.get() + argc);
  if (args.empty()) return 2;

  tbo::win::ComApartment com;
  if (args[0] == L"/regserver" || args[0] == L"/unregserver") {
    return Register({args.begin() + 1, args.end()}, args[0] == L"/regserver");
  }
  const AppInfo* info = FindApp(Utf8(args[0]));
  if (!info) return 2;
  bool embedding = false;
  for (const std::wstring& a : args) {
    embedding = embedding || a == L"-Embedding" || a == L"/Embedding";
  }
  return Serve(*info, embedding);
}
