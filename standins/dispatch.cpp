#include "standins/dispatch.h"

#include <algorithm>
#include <cwctype>

#include "standins/server.h"
#include "standins/store.h"

namespace tbo::standin {
namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

bool IsOmitted(const VARIANT* v) {
  return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND);
}

win::Variant Converted(const VARIANT* v, VARTYPE vt) {
  if (IsOmitted(v)) Throw(DISP_E_PARAMNOTFOUND);
  win::Variant out;
  if (FAILED(::VariantChangeType(out.get(), const_cast<VARIANT*>(v), 0, vt))) Throw(DISP_E_TYPEMISMATCH);
  return out;
}

std::wstring AsString(const VARIANT* v) {
  win::Variant s = Converted(v, VT_BSTR);
  const BSTR b = s.get()->bstrVal;
  return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring();
}

const char* VtName(VARTYPE vt) {
  switch (vt & VT_TYPEMASK) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_I2: return "I2";
    case VT_I4: return "I4";
    case VT_R4: return "R4";
    case VT_R8: return "R8";
    case VT_CY: return "CY";
    case VT_DATE: return "DATE";
    case VT_BSTR: return "BSTR";
    case VT_DISPATCH: return "DISPATCH";
    case VT_ERROR: return "ERROR";
    case VT_BOOL: return "BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_UNKNOWN: return "UNKNOWN";
    case VT_I1: return "I1";
    case VT_UI1: return "UI1";
    case VT_UI2: return "UI2";
    case VT_UI4: return "UI4";
    case VT_I8: return "I8";
    case VT_INT: return "INT";
    case VT_UINT: return "UINT";
    default: return "OTHER";
  }
}

}  // namespace

void Throw(HRESULT hr) { throw Failure{hr}; }
void Raise(HRESULT scode) { throw Failure{DISP_E_EXCEPTION, scode}; }

Args::Args(const DISPPARAMS& params, const MemberInfo* member) {
  const UINT named = params.cNamedArgs;
  for (UINT i = named; i < params.cArgs; ++i) positional_.insert(positional_.begin(), &params.rgvarg[i]);
  slots_ = positional_;
  for (UINT i = 0; i < named; ++i) {
    const DISPID id = params.rgdispidNamedArgs[i];
    const VARIANT* v = &params.rgvarg[i];
    if (id == DISPID_PROPERTYPUT) {
      value_ = v;
      continue;
    }
    const bool known = member && id >= 0 && static_cast<std::size_t>(id) < member->params.size();
    named_.emplace_back(known ? member->params[static_cast<std::size_t>(id)] : std::to_wstring(id), v);
    if (!known || static_cast<std::size_t>(id) < positional_.size()) {
      namedOk_ = false;
      continue;
    }
    if (slots_.size() <= static_cast<std::size_t>(id)) slots_.resize(static_cast<std::size_t>(id) + 1, nullptr);
    slots_[static_cast<std::size_t>(id)] = v;
  }
}

bool Args::Has(int i) const { return !IsOmitted(Slot(i)); }
std::wstring Args::String(int i) const { return AsString(Slot(i)); }
bool Args::Bool(int i) const { return Converted(Slot(i), VT_BOOL).get()->boolVal != VARIANT_FALSE; }
long Args::Long(int i) const { return Converted(Slot(i), VT_I4).get()->lVal; }
std::wstring Args::ValueString() const { return AsString(value_); }
bool Args::ValueBool() const { return Converted(value_, VT_BOOL).get()->boolVal != VARIANT_FALSE; }
long Args::ValueLong() const { return Converted(value_, VT_I4).get()->lVal; }

Json Args::Positional() const {
  Json out = Json::array();
  for (const VARIANT* v : positional_) out.push_back(ArgJson(*v));
  return out;
}

Json Args::Named() const {
  Json out = Json::object();
  for (const auto& [name, v] : named_) out[Utf8(name)] = ArgJson(*v);
  if (value_) out["DISPID_PROPERTYPUT"] = ArgJson(*value_);
  return out;
}

Json ArgJson(const VARIANT& arg) {
  const VARIANT& v = (arg.vt == (VT_BYREF | VT_VARIANT)) ? *arg.pvarVal : arg;
  std::string vt = VtName(v.vt);
  if (v.vt & VT_BYREF) vt = "BYREF|" + vt;
  if (v.vt & VT_ARRAY) vt = "ARRAY|" + vt;
  Json out = {{"vt", vt}};
  VARIANT plain;
  ::VariantInit(&plain);
  if (FAILED(::VariantCopyInd(&plain, const_cast<VARIANT*>(&v)))) return out;
  switch (plain.vt) {
    case VT_EMPTY:
    case VT_NULL: out["value"] = nullptr; break;
    case VT_BOOL: out["value"] = plain.boolVal ? -1 : 0; break;
    case VT_I2: out["value"] = plain.iVal; break;
    case VT_I4: out["value"] = plain.lVal; break;
    case VT_ERROR: out["value"] = Hex(plain.scode); break;
    case VT_BSTR:
      out["value"] = Utf8(plain.bstrVal ? std::wstring_view(plain.bstrVal, ::SysStringLen(plain.bstrVal))
                                        : std::wstring_view());
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN: out["value"] = plain.punkVal ? Json("object") : Json(); break;
    default: {
      win::Variant text;
      if (SUCCEEDED(::VariantChangeType(text.get(), &plain, 0, VT_BSTR))) {
        out["value"] = Utf8(text.get()->bstrVal);
      }
    }
  }
  ::VariantClear(&plain);
  return out;
}

void SetString(VARIANT* result, std::wstring_view s) {
  if (!result) return;
  result->vt = VT_BSTR;
  result->bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

void SetBool(VARIANT* result, bool b) {
  if (!result) return;
  result->vt = VT_BOOL;
  result->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetLong(VARIANT* result, long n) {
  if (!result) return;
  result->vt = VT_I4;
  result->lVal = n;
}

void SetObject(VARIANT* result, IDispatch* object) {
  if (!result) return;
  if (object) object->AddRef();
  result->vt = VT_DISPATCH;
  result->pdispVal = object;
}

// A snapshot of a collection's items, walked by for-each.
class Enumerator final : public IEnumVARIANT {
 public:
  explicit Enumerator(std::vector<win::ComPtr<IDispatch>> items, std::size_t next = 0)
      : items_(std::move(items)), next_(next) {}
  Enumerator(const Enumerator&) = delete;
  Enumerator& operator=(const Enumerator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* out, ULONG* fetched) override {
    ULONG n = 0;
    for (; n < wanted && next_ < items_.size(); ++n, ++next_) {
      ::VariantInit(&out[n]);
      SetObject(&out[n], items_[next_].get());
    }
    if (fetched) *fetched = n;
    return n == wanted ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    next_ = std::min<std::size_t>(items_.size(), next_ + count);
    return next_ < items_.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    std::vector<win::ComPtr<IDispatch>> copy;
    for (const auto& item : items_) copy.push_back(win::ComPtr<IDispatch>::Share(item.get()));
    auto clone = Make<Enumerator>(std::move(copy), next_);
    *out = clone.get();
    clone->AddRef();
    return S_OK;
  }

 private:
  ~Enumerator() = default;
  std::atomic<ULONG> refs_{1};
  std::vector<win::ComPtr<IDispatch>> items_;
  std::size_t next_;
};

void DispatchBase::NewEnum(VARIANT* result) {
  auto e = Make<Enumerator>(Items());
  if (!result) return;
  result->vt = VT_UNKNOWN;
  result->punkVal = e.get();
  e->AddRef();
}

HRESULT DispatchBase::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchBase::AddRef() { return ++refs_; }

ULONG DispatchBase::Release() {
  const ULONG n = --refs_;
  if (n == 0) {
    delete this;
  } else {
    OnReleased(n);
  }
  return n;
}

HRESULT DispatchBase::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return Server::Current().stopping() ? RPC_E_DISCONNECTED : S_OK;
}

HRESULT DispatchBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchBase::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  Json list = Json::array();
  for (UINT i = 0; i < count; ++i) list.push_back(Utf8(names[i]));
  Journal(Server::Current().app(),
          {{"event", "names"}, {"class", ClassName()}, {"names", std::move(list)}, {"lcid", lcid}});
  if (Server::Current().stopping()) return RPC_E_DISCONNECTED;

  std::fill(ids, ids + count, DISPID_UNKNOWN);
  const auto& members = Members();
  const auto it = std::find_if(members.begin(), members.end(),
                               [&](const MemberInfo& m) { return SameName(m.name, names[0]); });
  if (it == members.end()) return DISP_E_UNKNOWNNAME;
  const std::size_t index = static_cast<std::size_t>(it - members.begin());
  ids[0] = static_cast<DISPID>(index + 1);
  std::erase_if(received_, [&](const auto& r) { return r.first == index; });
  received_.emplace_back(index, names[0]);
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    const auto p = std::find_if(it->params.begin(), it->params.end(),
                                [&](const wchar_t* n) { return SameName(n, names[i]); });
    if (p == it->params.end()) {
      hr = DISP_E_UNKNOWNNAME;
    } else {
      ids[i] = static_cast<DISPID>(p - it->params.begin());
    }
  }
  return hr;
}

HRESULT DispatchBase::Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* info, UINT* argError) {
  if (argError) *argError = 0;
  const auto& members = Members();
  const bool newEnum = id == DISPID_NEWENUM;
  const bool known = newEnum || (id >= 1 && static_cast<std::size_t>(id) <= members.size());
  const std::size_t index = known && !newEnum ? static_cast<std::size_t>(id) - 1 : 0;
  const MemberInfo* member = known && !newEnum ? &members[index] : nullptr;
  std::wstring name = newEnum ? L"_NewEnum" : member ? member->name : std::to_wstring(id);
  for (const auto& [i, spelled] : received_) {
    if (member && i == index) name = spelled;
  }
  const DISPPARAMS none{};
  const Args args(params ? *params : none, member);
  if (result) ::VariantInit(result);

  HRESULT hr = S_OK, reported = S_OK;
  try {
    Server::Current().BeforeCall(ClassName(), name);
    if (!known) Throw(DISP_E_MEMBERNOTFOUND);
    if (newEnum) {
      if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) Throw(DISP_E_MEMBERNOTFOUND);
      NewEnum(result);
    } else {
      hr = RunChecked(index, flags, args, result);
    }
  } catch (const Failure& f) {
    hr = f.hr;
    reported = f.hr;
    if (f.hr == DISP_E_EXCEPTION) {
      reported = f.scode;
      if (info) {
        *info = EXCEPINFO{};
        info->scode = f.scode;
        info->bstrSource = ::SysAllocString(L"Stand-in Office");
      }
    }
    if (result) ::VariantClear(result);
  }
  if (FAILED(hr) && !reported) reported = hr;
  Journal(Server::Current().app(), {{"event", "call"},
                                    {"class", ClassName()},
                                    {"member", Utf8(name)},
                                    {"flags", flags},
                                    {"args", args.Positional()},
                                    {"named", args.Named()},
                                    {"error", Hex(reported)},
                                    {"lcid", lcid}});
  if (SUCCEEDED(hr)) Server::Current().Save();
  Server::Current().AfterCall(ClassName(), name);
  return hr;
}

HRESULT DispatchBase::RunChecked(std::size_t index, WORD flags, const Args& args, VARIANT* result) {
  const MemberInfo& m = Members()[index];
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    if (m.kind != MemberKind::Property) Throw(DISP_E_MEMBERNOTFOUND);
    if (!args.Value()) Throw(DISP_E_PARAMNOTOPTIONAL);
  } else if (m.kind == MemberKind::Method ? !(flags & DISPATCH_METHOD) : !(flags & DISPATCH_PROPERTYGET)) {
    Throw(DISP_E_MEMBERNOTFOUND);
  }
  if (!args.namedOk()) Throw(DISP_E_PARAMNOTFOUND);
  if (args.Count() < m.minArgs || args.Count() > m.maxArgs) Throw(DISP_E_BADPARAMCOUNT);
  Run(index, flags, args, put ? nullptr : result);
  return S_OK;
}

}  // namespace tbo::standin
