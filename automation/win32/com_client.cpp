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

bool Never(HRESULT) { return false; }

}  // namespace

Ref ComClient::Reached(ComPtr<IDispatch> dispatch, std::shared_ptr<Instance> instance) {
  return Ref(std::make_shared<ComObject>(std::move(dispatch), caller_, std::move(instance)));
}

Ref ComClient::GetActiveObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  if (!caller_.Answers(clsid)) Fail(kCallCanceled);
  lingeringSeen_ = false;
  auto instance = std::make_shared<Instance>(Instance{clsid, true});
  struct Attach {
    CLSID clsid;
    ComPtr<IDispatch> found;
    bool stopping = false;
  };
  std::shared_ptr<Attach> attach;
  const ErrorNumber answer = AskAgain(
      caller_.clock(), caller_.events(), shutdown_,
      [&]() -> ErrorNumber {
        attach = std::make_shared<Attach>();
        attach->clsid = clsid;
        return caller_.Call(*instance, [attach] {
          IUnknown* unknown = nullptr;
          HRESULT hr = ::GetActiveObject(attach->clsid, nullptr, &unknown);
          if (FAILED(hr)) return hr;
          // Wine can answer S_OK without an object for an entry being revoked.
          if (!unknown) return MK_E_UNAVAILABLE;
          hr = ComPtr<IUnknown>::Attach(unknown)->QueryInterface(IID_IDispatch, attach->found.put_void());
          if (FAILED(hr)) return hr;
          // An instance that is shutting down is still listed; a question
          // that calls no member tells whether it still answers. A busy one
          // (a dialog open) is alive: its calls are asked again.
          UINT count = 0;
          const HRESULT probe = attach->found->GetTypeInfoCount(&count);
          attach->stopping = IsStopping(probe);
          return IsBusy(probe) ? S_OK : probe;
        }, Never);
      },
      [&](ErrorNumber e) {
        if (e != kCallCanceled && attach->stopping) lingeringSeen_ = true;
        return IsStopping(e);
      });
  if (answer != kNoError) Fail(answer);
  return Reached(std::move(attach->found), instance);
}

Ref ComClient::CreateObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  if (!caller_.Answers(clsid)) Fail(kCallCanceled);
  const bool lingeringSeen = std::exchange(lingeringSeen_, false);
  auto instance = std::make_shared<Instance>(Instance{clsid, true});
  std::shared_ptr<ComPtr<IDispatch>> created;
  const ErrorNumber answer = AskAgain(
      caller_.clock(), caller_.events(), shutdown_,
      [&]() -> ErrorNumber {
        created = std::make_shared<ComPtr<IDispatch>>();
        return caller_.Call(*instance, [created, clsid] {
          return ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, created->put_void());
        }, Never);
      },
      [&](ErrorNumber e) { return IsStoppingAfterLinger(e, lingeringSeen); });
  if (answer != kNoError) Fail(answer);
  return Reached(std::move(*created), instance);
}

}  // namespace tbo::win
