// Late-bound calls through IDispatch: all the invoke mechanics in one place.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/retry.h"
#include "automation/value.h"
#include "automation/win32/handles.h"

namespace tbo::win {

// How every call reaches a server: asked again while the server is busy,
// the window kept alive meanwhile.
class Caller {
 public:
  static constexpr Patience kBusyWait{std::chrono::seconds(30), std::chrono::milliseconds(250)};

  Caller(Clock& clock, EventPump& events, Patience busy = kBusyWait) : clock_(clock), events_(events), busy_(busy) {}
  Clock& clock() { return clock_; }
  EventPump& events() { return events_; }

  // Runs call until it answers something other than busy, or patience is
  // over; returns its last answer. busy may look further than the HRESULT
  // (at the server's own error).
  template <class F, class Busy>
  HRESULT Call(F&& call, Busy&& busy) {
    return AskAgain(clock_, events_, busy_, call, busy);
  }
  template <class F>
  HRESULT Call(F&& call) {
    return Call(call, [](ErrorNumber e) { return IsBusy(e); });
  }

 private:
  Clock& clock_;
  EventPump& events_;
  Patience busy_;
};

class ComObject final : public Object {
 public:
  ComObject(ComPtr<IDispatch> dispatch, Caller& caller) : dispatch_(std::move(dispatch)), caller_(caller) {}

  Value Get(std::u16string_view member, const std::vector<Value>& args) override;
  void Put(std::u16string_view member, const std::vector<Value>& args,
           const Value& value) override;
  Value Call(std::u16string_view member, const std::vector<Value>& positional,
             const std::vector<NamedArg>& named) override;
  std::unique_ptr<Enumerator> Enumerate() override;

  IDispatch* dispatch() const { return dispatch_.get(); }
  void* Native() const override { return dispatch_.get(); }

 private:
  std::vector<DISPID> IdsOf(std::u16string_view member, const std::vector<NamedArg>& named);
  Variant Invoke(DISPID id, WORD flags, std::vector<Variant>& args,
                 std::vector<DISPID>& namedIds);
  Value InvokeByName(std::u16string_view member, WORD flags,
                     const std::vector<Value>& positional,
                     const std::vector<NamedArg>& named, const Value* putValue);

  ComPtr<IDispatch> dispatch_;
  Caller& caller_;
  // Names resolved earlier on this object, so each costs one round trip.
  std::vector<std::pair<std::u16string, std::vector<DISPID>>> idCache_;
};

// Converts between our values and VARIANTs. Throws AutomationError with a
// type mismatch for what has no counterpart.
Variant ToVariant(const Value& value);
Value FromVariant(const VARIANT& v, Caller& caller);

// Office's member names are English whatever the user's regional settings,
// and Excel resolves names and arguments for the locale it is called with.
inline constexpr LCID kEnglishUnitedStates = 1033;

}  // namespace tbo::win
