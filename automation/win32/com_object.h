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

// Runs call (returning an HRESULT) again while the server answers busy, up
// to the retry's time limit; returns the last result.
template <class Call>
HRESULT RetryWhileBusy(const BusyRetry& retry, Call&& call) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    const HRESULT hr = call();
    if (hr != RPC_E_CALL_REJECTED && hr != RPC_E_SERVERCALL_RETRYLATER) return hr;
    if (::GetTickCount64() - start >= retry.totalMs) return hr;
    ::Sleep(retry.intervalMs);
  }
}

}  // namespace tbo::win
