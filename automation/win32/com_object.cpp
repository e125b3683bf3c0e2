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

// What a server handed out, made ready on the call thread: an object comes
// as IDispatch, since asking it for that is a call to the server too.
HRESULT Received(HRESULT hr, Variant& value) {
  VARIANT& v = *value.get();
  if (FAILED(hr) || v.vt != VT_UNKNOWN) return hr;
  ComPtr<IDispatch> dispatch;
  const HRESULT asked = v.punkVal ? v.punkVal->QueryInterface(IID_IDispatch, dispatch.put_void()) : S_OK;
  value = Variant();
  if (FAILED(asked)) return asked;
  value.get()->vt = VT_DISPATCH;
  value.get()->pdispVal = dispatch.detach();
  return hr;
}

// IEnumVARIANT::Next for one item.
struct Fetch final : Job {
  explicit Fetch(IEnumVARIANT* items) : items(ComPtr<IEnumVARIANT>::Share(items)) {}
  HRESULT Run() override {
    fetched = 0;
    return Received(items->Next(1, item.put(), &fetched), item);
  }
  ComPtr<IEnumVARIANT> items;
  Variant item;
  ULONG fetched = 0;
};

class ComEnumerator final : public Enumerator {
 public:
  ComEnumerator(ComPtr<IEnumVARIANT> e, Caller& caller, Instance& instance)
      : e_(std::move(e)), caller_(caller), instance_(instance) {}
  ~ComEnumerator() override { caller_.Release(instance_, e_.detach()); }
  std::optional<Value> Next() override {
    const auto fetch = std::make_shared<Fetch>(e_.get());
    const HRESULT hr = caller_.Call(instance_, fetch);
    ThrowIfFailed(hr);
    if (hr != S_OK || fetch->fetched == 0) return std::nullopt;
    return FromVariant(*fetch->item.get(), caller_, instance_);
  }

 private:
  ComPtr<IEnumVARIANT> e_;
  Caller& caller_;
  Instance& instance_;
};

// IDispatch::GetIDsOfNames for a member and its named arguments.
struct Names final : Job {
  explicit Names(IDispatch* dispatch) : dispatch(ComPtr<IDispatch>::Share(dispatch)) {}
  HRESULT Run() override {
    std::vector<LPOLESTR> pointers;
    for (std::wstring& n : names) pointers.push_back(n.data());
    return dispatch->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                   kEnglishUnitedStates, ids.data());
  }
  ComPtr<IDispatch> dispatch;
  std::vector<std::wstring> names;
  std::vector<DISPID> ids;
};

// IDispatch::Invoke. args holds the named arguments first, then the
// positional ones in reverse order, as DISPPARAMS wants them.
struct Invocation final : Job {
  explicit Invocation(IDispatch* dispatch) : dispatch(ComPtr<IDispatch>::Share(dispatch)) {}
  HRESULT Run() override {
    static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must lay out as VARIANT");
    DISPPARAMS params{};
    params.rgvarg = args.empty() ? nullptr : args.front().get();
    params.cArgs = static_cast<UINT>(args.size());
    params.rgdispidNamedArgs = namedIds.empty() ? nullptr : namedIds.data();
    params.cNamedArgs = static_cast<UINT>(namedIds.size());
    UINT argError = 0;
    const HRESULT hr = dispatch->Invoke(id, IID_NULL, kEnglishUnitedStates, flags, &params,
                                        (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.put(), info.put(), &argError);
    // A collection's enumerator is no IDispatch: it is asked for its own interface.
    return id == DISPID_NEWENUM ? hr : Received(hr, result);
  }
  ComPtr<IDispatch> dispatch;
  DISPID id = DISPID_UNKNOWN;
  WORD flags = 0;
  std::vector<Variant> args;
  std::vector<DISPID> namedIds;
  Variant result;
  ExcepInfo info;
};

// The enumerator behind what DISPID_NEWENUM gave.
struct EnumeratorOf final : Job {
  explicit EnumeratorOf(Variant source) : source(std::move(source)) {}
  HRESULT Run() override {
    const VARIANT& v = *source.get();
    IUnknown* unknown = v.vt == VT_UNKNOWN ? v.punkVal : v.vt == VT_DISPATCH ? v.pdispVal : nullptr;
    const HRESULT hr = unknown ? unknown->QueryInterface(IID_IEnumVARIANT, items.put_void()) : DISP_E_TYPEMISMATCH;
    source = Variant();  // let go of here, on the call thread
    return hr;
  }
  Variant source;
  ComPtr<IEnumVARIANT> items;
};

Value FromSafeArray(const VARIANT& v, Caller& caller, Instance& instance) {
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
    items.push_back(FromVariant(*item.get(), caller, instance));
  }
  return Value::MakeList(std::move(items));
}

Value FromInteger(long long n) {
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
    Fail(kOverflow);
  }
  return Value::I4(static_cast<std::int32_t>(n));
}

// An object as Received left it; the reference added here is the proxy's
// own count, no call.
Value FromObject(IDispatch* dispatch, Caller& caller, Instance& instance) {
  if (!dispatch) return Value(Ref());
  return Value(Ref(std::make_shared<ComObject>(ComPtr<IDispatch>::Share(dispatch), caller, instance)));
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

Value FromVariant(const VARIANT& v, Caller& caller, Instance& instance) {
  if (v.vt & VT_ARRAY) return FromSafeArray(v, caller, instance);
  if (v.vt == (VT_BYREF | VT_VARIANT)) return FromVariant(*v.pvarVal, caller, instance);
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
    case VT_DISPATCH: return FromObject(v.pdispVal, caller, instance);
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
  const auto look = std::make_shared<Names>(dispatch_.get());
  look->names.push_back(Wide(member));
  for (const NamedArg& arg : named) look->names.push_back(Wide(arg.name));
  look->ids.assign(look->names.size(), DISPID_UNKNOWN);
  ThrowIfFailed(caller_.Call(instance_, look));
  const std::vector<DISPID> ids = look->ids;
  idCache_.emplace_back(std::move(key), ids);
  return ids;
}

Variant ComObject::Invoke(DISPID id, WORD flags, std::vector<Variant> args, std::vector<DISPID> namedIds) {
  const auto call = std::make_shared<Invocation>(dispatch_.get());
  call->id = id;
  call->flags = flags;
  call->args = std::move(args);
  call->namedIds = std::move(namedIds);
  // Excel may also report its busy state as its own error.
  const HRESULT hr = caller_.Call(instance_, call, [&](HRESULT answer) {
    return IsBusy(answer) || (answer == DISP_E_EXCEPTION && IsBusy(call->info.scode()));
  });
  if (FAILED(hr)) Fail(ErrorOf(hr, call->info));
  return std::move(call->result);
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
  const Variant result = Invoke(ids.front(), flags, std::move(args), std::move(namedIds));
  return FromVariant(*result.get(), caller_, instance_);
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
  const auto query = std::make_shared<EnumeratorOf>(Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}));
  ThrowIfFailed(caller_.Call(instance_, query));
  return std::make_unique<ComEnumerator>(std::move(query->items), caller_, instance_);
}

ComObject::~ComObject() { caller_.Release(instance_, dispatch_.detach()); }

}  // namespace tbo::win
