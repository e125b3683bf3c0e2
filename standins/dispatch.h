// The IDispatch side of the stand-ins: each class lists its members in a
// table, and one Invoke unpacks the arguments, applies the scenario's faults,
// checks kinds and counts, runs the member and journals the call.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "automation/win32/handles.h"
#include "standins/json.h"

namespace tbo::standin {

enum class MemberKind { Property, ReadOnly, Method };

struct MemberInfo {
  const wchar_t* name;
  MemberKind kind;
  int minArgs;  // arguments besides a put's value, omitted ones included
  int maxArgs;
  std::vector<const wchar_t*> params;  // parameter names by position, for named arguments
};

// A failed member: a plain HRESULT, or with an scode Office's way of
// reporting its own errors (DISP_E_EXCEPTION carrying the scode).
struct Failure {
  HRESULT hr;
  HRESULT scode = S_OK;
};
[[noreturn]] void Throw(HRESULT hr);
[[noreturn]] void Raise(HRESULT scode);

// The arguments of one call, positional ones in source order with the named
// ones placed at their parameter's position.
class Args {
 public:
  Args(const DISPPARAMS& params, const MemberInfo* member);

  int Count() const { return static_cast<int>(slots_.size()); }
  bool Has(int i) const;  // present and not omitted
  std::wstring String(int i) const;
  bool Bool(int i) const;
  long Long(int i) const;
  const VARIANT* Slot(int i) const { return i < Count() ? slots_[static_cast<std::size_t>(i)] : nullptr; }
  const VARIANT* Value() const { return value_; }
  std::wstring ValueString() const;
  bool ValueBool() const;
  long ValueLong() const;
  bool namedOk() const { return namedOk_; }

  Json Positional() const;  // for the journal
  Json Named() const;

 private:
  std::vector<const VARIANT*> slots_;
  std::vector<std::pair<std::wstring, const VARIANT*>> named_;
  std::vector<const VARIANT*> positional_;
  const VARIANT* value_ = nullptr;
  bool namedOk_ = true;
};

// Result helpers.
void SetString(VARIANT* result, std::wstring_view s);
void SetBool(VARIANT* result, bool b);
void SetLong(VARIANT* result, long n);
void SetObject(VARIANT* result, IDispatch* object);  // takes a new reference

// Journal form of one argument: {"vt":"BSTR","value":…}.
Json ArgJson(const VARIANT& v);

class DispatchBase : public IDispatch {
 public:
  DispatchBase(const DispatchBase&) = delete;
  DispatchBase& operator=(const DispatchBase&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

 protected:
  DispatchBase() = default;
  virtual ~DispatchBase() = default;
  virtual const char* ClassName() const = 0;
  virtual const std::vector<MemberInfo>& Members() const = 0;
  // Runs member number index of Members(); throws Failure.
  virtual void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) = 0;
  // The items of a collection for for-each; others are not enumerable.
  virtual std::vector<win::ComPtr<IDispatch>> Items() { Throw(DISP_E_MEMBERNOTFOUND); }
  virtual void OnReleased(ULONG /*remaining*/) {}

 private:
  HRESULT RunChecked(std::size_t index, WORD flags, const Args& args, VARIANT* result);
  void NewEnum(VARIANT* result);
  std::atomic<ULONG> refs_{1};
  std::vector<std::pair<std::size_t, std::wstring>> received_;  // names as the caller spelled them
};

// Makes a COM object of type T and hands out its first reference: the one
// place where the stand-ins allocate COM objects.
template <class T, class... A>
win::ComPtr<T> Make(A&&... args) {
  return win::ComPtr<T>::Attach(new T(std::forward<A>(args)...));
}
template <class T, class... A>
win::ComPtr<IDispatch> MakeDispatch(A&&... args) {
  return win::ComPtr<IDispatch>::Attach(new T(std::forward<A>(args)...));
}

}  // namespace tbo::standin
