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
    if (IsBusy(probe)) return S_OK;
    if (FAILED(probe)) found.reset();  // let go of here, on the call thread
    return probe;
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
  // An instance started after its creation was given up would run unseen,
  // holding its files: it is asked to quit (Office's applications all have
  // Quit) and let go of.
  void Unclaimed() override {
    if (!created) return;
    LPOLESTR name = const_cast<LPOLESTR>(L"Quit");
    DISPID id = DISPID_UNKNOWN;
    DISPPARAMS none{};
    if (SUCCEEDED(created->GetIDsOfNames(IID_NULL, &name, 1, kEnglishUnitedStates, &id))) {
      created->Invoke(id, IID_NULL, kEnglishUnitedStates, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    }
    created.reset();
  }
  const CLSID clsid;
  ComPtr<IDispatch> created;
};

// Asking again for busy is the job of the waits above, not of the call.
constexpr auto kNeverBusy = [](HRESULT) { return false; };

// Asks a fresh Look (Attach or Create) on the call thread until it answers,
// again() refuses its error or patience is over; the answering one, or the
// error, thrown.
template <class Look, class Again>
std::shared_ptr<Look> AskUntilAnswered(Caller& caller, Instance& instance, Patience patience, const CLSID& clsid,
                                       Again&& again) {
  std::shared_ptr<Look> look;
  const ErrorNumber answer = AskAgain(
      caller.clock(), caller.events(), patience,
      [&]() -> ErrorNumber {
        look = std::make_shared<Look>(clsid);
        return caller.Call(instance, look, kNeverBusy);
      },
      [&](ErrorNumber e) { return again(e, *look); });
  if (answer != kNoError) Fail(answer);
  return look;
}

}  // namespace

Ref ComClient::Reached(ComPtr<IDispatch> dispatch, Instance& instance) {
  return Ref(std::make_shared<ComObject>(std::move(dispatch), caller_, instance));
}

Ref ComClient::GetActiveObject(const ServerName& server) {
  const CLSID clsid = ClassOf(server.progId);
  if (!caller_.Answers(clsid)) throw AutomationError::NoAnswer(Unanswered::Earlier);
  lingeringSeen_ = false;
  Instance& instance = caller_.NewInstance(clsid);
  const auto attach =
      AskUntilAnswered<Attach>(caller_, instance, shutdown_, clsid, [&](ErrorNumber e, const Attach& a) {
        if (e != kCallCanceled && a.stopping) lingeringSeen_ = true;
        return IsStopping(e);
      });
  return Reached(std::move(attach->found), instance);
}

bool ComClient::Knows(const ServerName& server) {
  CLSID clsid{};
  return SUCCEEDED(::CLSIDFromProgID(Wide(server.progId).c_str(), &clsid));
}

Ref ComClient::CreateObject(const ServerName& server) {
  const CLSID clsid = ClassOf(server.progId);
  if (!caller_.Answers(clsid)) throw AutomationError::NoAnswer(Unanswered::Earlier);
  const bool lingeringSeen = std::exchange(lingeringSeen_, false);
  Instance& instance = caller_.NewInstance(clsid);
  const auto create =
      AskUntilAnswered<Create>(caller_, instance, shutdown_, clsid,
                               [&](ErrorNumber e, const Create&) { return IsStoppingAfterLinger(e, lingeringSeen); });
  return Reached(std::move(create->created), instance);
}

}  // namespace tbo::win
