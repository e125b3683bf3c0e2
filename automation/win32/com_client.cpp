#include "automation/win32/com_client.h"

#include <chrono>

#include "automation/win32/text.h"

namespace tbo::win {
namespace {

CLSID ClassOf(std::u16string_view progId) {
  CLSID clsid{};
  const HRESULT hr = ::CLSIDFromProgID(Wide(progId).c_str(), &clsid);
  if (FAILED(hr)) Fail(static_cast<ErrorNumber>(hr));
  return clsid;
}

Ref Wrap(IUnknown* unknown, BusyRetry retry) {
  ComPtr<IUnknown> owned = ComPtr<IUnknown>::Attach(unknown);
  ComPtr<IDispatch> dispatch;
  const HRESULT hr = owned->QueryInterface(IID_IDispatch, dispatch.put_void());
  if (FAILED(hr)) Fail(static_cast<ErrorNumber>(hr));
  return Ref(std::make_shared<ComObject>(std::move(dispatch), retry));
}

}  // namespace

// Runs attempt (which returns the HRESULT and sets the reference) until it
// gives something other than a shutting-down answer, or the wait is over.
template <class Try>
Ref ComClient::WhileShuttingDown(Try&& attempt) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    Ref found;
    const HRESULT hr = attempt(found);
    const bool shuttingDown = hr == CO_E_SERVER_STOPPING || hr == RPC_E_DISCONNECTED ||
                              hr == static_cast<HRESULT>(0x800706BA) /* RPC_S_SERVER_UNAVAILABLE */;
    if (SUCCEEDED(hr)) return found;
    if (!shuttingDown || ::GetTickCount64() - start >= shutdown_.totalMs) Fail(static_cast<ErrorNumber>(hr));
    events_.WaitForEvents(std::chrono::milliseconds(shutdown_.intervalMs));
    events_.YieldToPending();
  }
}

Ref ComClient::GetActiveObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  return WhileShuttingDown([&](Ref& found) {
    IUnknown* unknown = nullptr;
    const HRESULT hr = ::GetActiveObject(clsid, nullptr, &unknown);
    if (FAILED(hr)) return hr;
    // Wine can answer S_OK without an object for an entry being revoked.
    if (!unknown) return MK_E_UNAVAILABLE;
    found = Wrap(unknown, retry_);
    // An instance that is shutting down is still listed; a question that
    // calls no member tells whether it still answers.
    // A busy one (a dialog open) is alive: its calls are asked again.
    UINT count = 0;
    const HRESULT answer =
        static_cast<const ComObject*>(found.shared().get())->dispatch()->GetTypeInfoCount(&count);
    return IsBusy(answer) ? S_OK : answer;
  });
}

Ref ComClient::CreateObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  return WhileShuttingDown([&](Ref& found) {
    IUnknown* unknown = nullptr;
    const HRESULT hr =
        ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (SUCCEEDED(hr)) found = Wrap(unknown, retry_);
    return hr;
  });
}

}  // namespace tbo::win
