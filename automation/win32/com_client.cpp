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

// The running instance registered for a class. An instance that is
// shutting down is still listed; a question that calls no member tells
// whether it still answers. A busy one (a dialog open) is alive: its calls
// are asked again.
struct Attach final : Job {
  explicit Attach(const CLSID& clsid) : clsid(clsid) {}
  HRESULT Run() override {
    IUnknown* unknown = nullptr;
    HRESULT hr = ::GetActiveObject(clsid, nullptr, &unknown);
    if (FAILED(hr)) return hr;
    // Wine can answer S_OK without an object for an entry being revoked.
    if (!unknown) return MK_E_UNAVAILABLE;
    hr = ComPtr<IUnknown>::Attach(unknown)->QueryInterface(IID_IDispatch, found.put_void());
    if (FAILED(hr)) return hr;
    UINT count = 0;
    const HRESULT probe = found->GetTypeInfoCount(&count);
    stopping = IsStopping(probe);
    return IsBusy(probe) ? S_OK : probe;
  }
  const CLSID clsid;
  ComPtr<IDispatch> found;
  bool stopping = false;
};

struct Create final : Job {
  explicit Create(const CLSID& clsid) : clsid(clsid) {}
  HRESULT Run() override {
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, created.put_void());
  }
  const CLSID clsid;
  ComPtr<IDispatch> created;
};

// Asking again for busy is the job of the waits above, not of the call.
constexpr auto kNeverBusy = [](HRESULT) { return false; };

}  // namespace

Ref ComClient::Reached(ComPtr<IDispatch> dispatch, Instance& instance) {
  return Ref(std::make_shared<ComObject>(std::move(dispatch), caller_, instance));
}

Ref ComClient::GetActiveObject(std::u16string_view progId) {
  const CLSID clsid = ClassOf(progId);
  if (!caller_.Answers(clsid)) Fail(kCallCanceled);
  lingeringSeen_ = false;
  Instance& instance = caller_.NewInstance(clsid);
  std::shared_ptr<Attach> attach;
  const ErrorNumber answer = AskAgain(
      caller_.clock(), caller_.events(), shutdown_,
      [&]() -> ErrorNumber {
        attach = std::make_shared<Attach>(clsid);
        return caller_.Call(instance, attach, kNeverBusy);
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
  Instance& instance = caller_.NewInstance(clsid);
  std::shared_ptr<Create> create;
  const ErrorNumber answer = AskAgain(
      caller_.clock(), caller_.events(), shutdown_,
      [&]() -> ErrorNumber {
        create = std::make_shared<Create>(clsid);
        return caller_.Call(instance, create, kNeverBusy);
      },
      [&](ErrorNumber e) { return IsStoppingAfterLinger(e, lingeringSeen); });
  if (answer != kNoError) Fail(answer);
  return Reached(std::move(create->created), instance);
}

}  // namespace tbo::win
