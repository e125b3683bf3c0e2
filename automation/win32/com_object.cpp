#include "automation/win32/com_object.h"

#include <algorithm>
#include <limits>

#include "automation/win32/fail.h"
#include "automation/win32/text.h"

namespace tbo::win {
namespace {

// The error a failed Invoke reports: the server's own number when it gave
// one with DISP_E_EXCEPTION, the HRESULT otherwise.
ErrorNumber ErrorOf(HRESULT hr, ExcepInfo& info) {
  if (hr == DISP_E_EXCEPTION && FAILED(info.scode())) return info.scode();
  return hr;
}

class ComEnumerator final : public Enumerator {
 public:
  ComEnumerator(ComPtr<IEnumVARIANT> e, Caller& caller) : e_(std::move(e)), caller_(caller) {}
  std::optional<Value> Next() override {
    Variant item;
    ULONG fetched = 0;
    const HRESULT hr = caller_.Call([&] { return e_->Next(1, item.put(), &fetched); });
    ThrowIfFailed(hr);
    if (hr != S_OK || fetched == 0) return std::nullopt;
    return FromVariant(*item.get(), caller_);
  }

 private:
  ComPtr<IEnumVARIANT> e_;
  Caller& caller_;
};

Value FromSafeArray(const VARIANT& v, Caller& caller) {
  SAFEARRAY* sa = (v.vt & VT_BYREF) ? *v.pparray : v.parray;
  if ((v.vt & VT_TYPEMASK) != VT_VARIANT || !sa || ::SafeArrayGetDim(sa) != 1) {
    Fail(kTypeMismatch);
  }
  LONG lower = 0, upper = -1;
  ThrowIfFailed(::SafeArrayGetLBound(sa, 1, &lower));
  ThrowIfFailed(::SafeArrayGetUBound(sa, 1, &upper));
  Value::List items;
  for (LONG i = lower; i <= upper; ++i) {
    Variant item;
    ThrowIfFailed(::SafeArrayGetElement(sa, &i, item.put()));
    items.push_back(FromVariant(*item.get(), caller));
  }
  return Value::MakeList(std::move(items));
}

Value FromInteger(long long n) {
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
    Fail(kOverflow);
  }
  return Value::I4(static_cast<std::int32_t>(n));
}

Value FromObject(IUnknown* unknown, Caller& caller) {
  if (!unknown) return Value(Ref());
  ComPtr<IDispatch> dispatch;
  ThrowIfFailed(unknown->QueryInterface(IID_IDispatch, dispatch.put_void()));
  return Value(Ref(std::make_shared<ComObject>(std::move(dispatch), caller)));
}

}  // namespace

Variant ToVariant(const Value& value) {
  Variant out;
  VARIANT& v = *out.get();
  switch (value.kind()) {
    case Value::Kind::Empty: break;
    case Value::Kind::Boolean:
      v.vt = VT_BOOL;
      v.boolVal = value.AsBool() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case Value::Kind::Int16:
      v.vt = VT_I2;
      v.iVal = value.AsInt16();
      break;
    case Value::Kind::Int32:
      v.vt = VT_I4;
      v.lVal = value.AsInt32();
      break;
    case Value::Kind::String: {
      const std::wstring s = Wide(value.AsString());
      v.bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
      if (!v.bstrVal) Fail(E_OUTOFMEMORY);
      v.vt = VT_BSTR;
      break;
    }
    case Value::Kind::Object: {
      const Ref ref = value.AsObject();
      IDispatch* d = nullptr;
      if (!ref.IsEmpty()) {
        d = static_cast<IDispatch*>(ref.shared()->Native());
        if (!d) Fail(kTypeMismatch);
        d->AddRef();
      }
      v.vt = VT_DISPATCH;
      v.pdispVal = d;
      break;
    }
    case Value::Kind::Omitted:
      v.vt = VT_ERROR;
      v.scode = DISP_E_PARAMNOTFOUND;
      break;
    case Value::Kind::List: Fail(kTypeMismatch);
  }
  return out;
}

Value FromVariant(const VARIANT& v, Caller& caller) {
  if (v.vt & VT_ARRAY) return FromSafeArray(v, caller);
  if (v.vt == (VT_BYREF | VT_VARIANT)) return FromVariant(*v.pvarVal, caller);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return Value();
    case VT_BOOL: return Value(v.boolVal != VARIANT_FALSE);
    case VT_I2: return Value::I2(v.iVal);
    case VT_I4: return Value::I4(v.lVal);
    case VT_INT: return Value::I4(v.intVal);
    case VT_I1: return Value::I4(v.cVal);
    case VT_UI1: return Value::I4(v.bVal);
    case VT_UI2: return Value::I4(v.uiVal);
    case VT_UI4: return FromInteger(v.ulVal);
    case VT_UINT: return FromInteger(v.uintVal);
    case VT_I8: return FromInteger(v.llVal);
    case VT_BSTR: return Value(FromWide(v.bstrVal ? std::wstring_view(v.bstrVal, ::SysStringLen(v.bstrVal)) : std::wstring_view()));
    case VT_DISPATCH: return FromObject(v.pdispVal, caller);
    case VT_UNKNOWN: return FromObject(v.punkVal, caller);
    default: Fail(kTypeMismatch);
  }
}

std::vector<DISPID> ComObject::IdsOf(std::u16string_view member,
                                     const std::vector<NamedArg>& named) {
  std::u16string key(member);
  for (const NamedArg& arg : named) key.append(1, u'\0').append(arg.name);
  for (const auto& [cached, ids] : idCache_) {
    if (cached == key) return ids;
  }
  std::vector<std::wstring> names{Wide(member)};
  for (const NamedArg& arg : named) names.push_back(Wide(arg.name));
  std::vector<LPOLESTR> pointers;
  for (std::wstring& n : names) pointers.push_back(n.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  ThrowIfFailed(caller_.Call([&] {
    return dispatch_->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                    kEnglishUnitedStates, ids.data());
  }));
  idCache_.emplace_back(std::move(key), ids);
  return ids;
}

// args holds the named arguments first, then the positional ones in
// reverse order, as DISPPARAMS wants them.
Variant ComObject::Invoke(DISPID id, WORD flags, std::vector<Variant>& args,
                          std::vector<DISPID>& namedIds) {
  static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must lay out as VARIANT");
  DISPPARAMS params{};
  params.rgvarg = args.empty() ? nullptr : args.front().get();
  params.cArgs = static_cast<UINT>(args.size());
  params.rgdispidNamedArgs = namedIds.empty() ? nullptr : namedIds.data();
  params.cNamedArgs = static_cast<UINT>(namedIds.size());
  Variant result;
  ExcepInfo info;
  UINT argError = 0;
  const HRESULT hr = caller_.Call(
      [&] {
        return dispatch_->Invoke(id, IID_NULL, kEnglishUnitedStates, flags, &params,
                                 (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.put(), info.put(), &argError);
      },
      // Excel may also report its busy state as its own error.
      [&](HRESULT answer) { return IsBusy(answer) || (answer == DISP_E_EXCEPTION && IsBusy(info.scode())); });
  if (FAILED(hr)) Fail(ErrorOf(hr, info));
  return result;
}

Value ComObject::InvokeByName(std::u16string_view member, WORD flags,
                              const std::vector<Value>& positional,
                              const std::vector<NamedArg>& named, const Value* putValue) {
  std::vector<DISPID> ids = IdsOf(member, named);
  std::vector<DISPID> namedIds(ids.begin() + 1, ids.end());
  std::vector<Variant> args;
  args.reserve(named.size() + positional.size() + 1);
  if (putValue) {
    args.push_back(ToVariant(*putValue));
    namedIds.insert(namedIds.begin(), DISPID_PROPERTYPUT);
  }
  for (const NamedArg& arg : named) args.push_back(ToVariant(arg.value));
  for (auto it = positional.rbegin(); it != positional.rend(); ++it) args.push_back(ToVariant(*it));
  const Variant result = Invoke(ids.front(), flags, args, namedIds);
  return FromVariant(*result.get(), caller_);
}

Value ComObject::Get(std::u16string_view member, const std::vector<Value>& args) {
  return InvokeByName(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, {}, nullptr);
}

void ComObject::Put(std::u16string_view member, const std::vector<Value>& args,
                    const Value& value) {
  InvokeByName(member, DISPATCH_PROPERTYPUT, args, {}, &value);
}

Value ComObject::Call(std::u16string_view member, const std::vector<Value>& positional,
                      const std::vector<NamedArg>& named) {
  return InvokeByName(member, DISPATCH_METHOD, positional, named, nullptr);
}

std::unique_ptr<Enumerator> ComObject::Enumerate() {
  std::vector<Variant> none;
  std::vector<DISPID> noNames;
  const Variant source = Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, noNames);
  const VARIANT& v = *source.get();
  IUnknown* unknown = v.vt == VT_UNKNOWN ? v.punkVal : v.vt == VT_DISPATCH ? v.pdispVal : nullptr;
  if (!unknown) Fail(kTypeMismatch);
  ComPtr<IEnumVARIANT> e;
  ThrowIfFailed(unknown->QueryInterface(IID_IEnumVARIANT, e.put_void()));
  return std::make_unique<ComEnumerator>(std::move(e), caller_);
}

}  // namespace tbo::win
