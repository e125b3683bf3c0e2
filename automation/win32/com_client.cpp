#include "automation/win32/com_client.h"

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

Ref ComClient::GetActiveObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  IUnknown* unknown = nullptr;
  const HRESULT hr = ::GetActiveObject(clsid, nullptr, &unknown);
  if (FAILED(hr)) Fail(static_cast<ErrorNumber>(hr));
  // Wine can answer S_OK without an object for an entry being revoked.
  if (!unknown) Fail(static_cast<ErrorNumber>(MK_E_UNAVAILABLE));
  return Wrap(unknown, retry_);
}

Ref ComClient::CreateObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  IUnknown* unknown = nullptr;
  const HRESULT hr =
      ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unknown));
  if (FAILED(hr)) Fail(static_cast<ErrorNumber>(hr));
  return Wrap(unknown, retry_);
}

}  // namespace tbo::win
