// Late-bound calls through IDispatch: all the invoke mechanics in one place.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/value.h"
#include "automation/win32/caller.h"
#include "automation/win32/handles.h"

namespace tbo::win {

class ComObject final : public Object {
 public:
  ComObject(ComPtr<IDispatch> dispatch, Caller& caller, Instance& instance)
      : dispatch_(std::move(dispatch)), caller_(caller), instance_(instance) {}
  ~ComObject() override;

  Value Get(std::u16string_view member, const std::vector<Value>& args) override;
  void Put(std::u16string_view member, const std::vector<Value>& args,
           const Value& value) override;
  Value Call(std::u16string_view member, const std::vector<Value>& positional,
             const std::vector<NamedArg>& named) override;
  std::unique_ptr<Enumerator> Enumerate() override;
  void* Native() const override { return dispatch_.get(); }

 private:
  std::vector<DISPID> IdsOf(std::u16string_view member, const std::vector<NamedArg>& named);
  Variant Invoke(DISPID id, WORD flags, std::vector<Variant> args, std::vector<DISPID> namedIds);
  Value InvokeByName(std::u16string_view member, WORD flags,
                     const std::vector<Value>& positional,
                     const std::vector<NamedArg>& named, const Value* putValue);

  ComPtr<IDispatch> dispatch_;
  Caller& caller_;
  Instance& instance_;
  // Names resolved earlier on this object, so each costs one round trip.
  std::vector<std::pair<std::u16string, std::vector<DISPID>>> idCache_;
};

// Converts between our values and VARIANTs. Throws AutomationError with a
// type mismatch for what has no counterpart.
Variant ToVariant(const Value& value);
Value FromVariant(const VARIANT& v, Caller& caller, Instance& instance);

// Office's member names are English whatever the user's regional settings,
// and Excel resolves names and arguments for the locale it is called with.
inline constexpr LCID kEnglishUnitedStates = 1033;

}  // namespace tbo::win
