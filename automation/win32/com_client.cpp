#include "automation/win32/com_client.h"

#include <utility>

#include "automation/win32/fail.h"
#include "automation/win32/text.h"

namespace tbo::win {
namespace {

CLSID ClassOf(std::u16string_view progId) {
  CLSID clsid{};
  ThrowIfFailed(::CLSIDFromProgID(Wide(progId).c_str(), &clsid));
  return clsid;
}

Ref Wrap(IUnknown* unknown, Caller& caller) {
  ComPtr<IUnknown> owned = ComPtr<IUnknown>::Attach(unknown);
  ComPtr<IDispatch> dispatch;
  ThrowIfFailed(owned->QueryInterface(IID_IDispatch, dispatch.put_void()));
  return Ref(std::make_shared<ComObject>(std::move(dispatch), caller));
}

}  // namespace

Ref ComClient::GetActiveObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  lingeringSeen_ = false;
  Ref found;
  const ErrorNumber answer = AskAgain(caller_.clock(), caller_.events(), shutdown_, [&]() -> ErrorNumber {
    found.Release();
    IUnknown* unknown = nullptr;
    const HRESULT hr = ::GetActiveObject(clsid, nullptr, &unknown);
    if (FAILED(hr)) return hr;
    // Wine can answer S_OK without an object for an entry being revoked.
    if (!unknown) return MK_E_UNAVAILABLE;
    found = Wrap(unknown, caller_);
    // An instance that is shutting down is still listed; a question that
    // calls no member tells whether it still answers. A busy one (a dialog
    // open) is alive: its calls are asked again.
    UINT count = 0;
    const HRESULT probe =
        static_cast<const ComObject*>(found.shared().get())->dispatch()->GetTypeInfoCount(&count);
    if (IsStopping(probe)) lingeringSeen_ = true;
    return IsBusy(probe) ? S_OK : probe;
  }, [](ErrorNumber e) { return IsStopping(e); });
  if (answer != kNoError) Fail(answer);
  return found;
}

Ref ComClient::CreateObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  const bool lingeringSeen = std::exchange(lingeringSeen_, false);
  Ref created;
  const ErrorNumber answer = AskAgain(
      caller_.clock(), caller_.events(), shutdown_,
      [&]() -> ErrorNumber {
        IUnknown* unknown = nullptr;
        const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown,
                                              reinterpret_cast<void**>(&unknown));
        if (SUCCEEDED(hr)) created = Wrap(unknown, caller_);
        return SUCCEEDED(hr) ? kNoError : hr;
      },
      [&](ErrorNumber e) { return IsStoppingAfterLinger(e, lingeringSeen); });
  if (answer != kNoError) Fail(answer);
  return created;
}

}  // namespace tbo::win
