// Late-bound calls through IDispatch: all the invoke mechanics in one place.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/value.h"
#include "automation/win32/handles.h"

namespace tbo::win {

// How long a busy server is asked again before the call counts as failed.
struct BusyRetry {
  DWORD totalMs = 30000;
  DWORD intervalMs = 250;
};

class ComObject final : public Object {
 public:
  ComObject(ComPtr<IDispatch> dispatch, BusyRetry retry)
      : dispatch_(std::move(dispatch)), retry_(retry) {}

  Value Get(std::u16string_view member, const std::vector<Value>& args) override;
  void Put(std::u16string_view member, const std::vector<Value>& args,
           const Value& value) override;
  Value Call(std::u16string_view member, const std::vector<Value>& positional,
             const std::vector<NamedArg>& named) override;
  std::unique_ptr<Enumerator> Enumerate() override;

  IDispatch* dispatch() const { return dispatch_.get(); }

 private:
  std::vector<DISPID> IdsOf(std::u16string_view member, const std::vector<NamedArg>& named);
  Variant Invoke(DISPID id, WORD flags, std::vector<Variant>& args,
                 std::vector<DISPID>& namedIds);
  Value InvokeByName(std::u16string_view member, WORD flags,
                     const std::vector<Value>& positional,
                     const std::vector<NamedArg>& named, const Value* putValue);

  ComPtr<IDispatch> dispatch_;
  BusyRetry retry_;
  // Names resolved earlier on this object, so each costs one round trip.
  std::vector<std::pair<std::u16string, std::vector<DISPID>>> idCache_;
};

// Converts between our values and VARIANTs. Throws AutomationError with a
// type mismatch for what has no counterpart.
Variant ToVariant(const Value& value);
Value FromVariant(const VARIANT& v, BusyRetry retry);

// Office's member names are English whatever the user's regional settings,
// and Excel resolves names and arguments for the locale it is called with.
inline constexpr LCID kEnglishUnitedStates = 1033;

// "Excel is busy" (a cell being edited, a dialog open), Excel's own answer
// besides the RPC rejections.
inline constexpr HRESULT kExcelBusy = static_cast<HRESULT>(0x800AC472);

inline bool IsBusy(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER || hr == kExcelBusy;
}

// Runs call (returning an HRESULT) again while the server answers busy, up
// to the retry's time limit; returns the last result. busy may look further
// (at the server's own error).
template <class Call, class Busy = bool (*)(HRESULT)>
HRESULT RetryWhileBusy(const BusyRetry& retry, Call&& call, Busy&& busy = IsBusy) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    const HRESULT hr = call();
    if (!busy(hr)) return hr;
    if (::GetTickCount64() - start >= retry.totalMs) return hr;
    ::Sleep(retry.intervalMs);
  }
}

}  // namespace tbo::win
