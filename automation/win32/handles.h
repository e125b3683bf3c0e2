// One owner per Windows handle kind: non-copyable, movable, closed once.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace tbo::win {

// Traits give the handle type, how to close one, and the values that mean
// "no handle"; a traits type may name two (IsEmpty), as kernel handles do.
template <class Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;

  Unique() = default;
  explicit Unique(Handle h) : h_(h) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, Traits::Empty())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, Traits::Empty()));
    return *this;
  }
  ~Unique() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return !Traits::IsEmpty(h_); }
  void reset(Handle h = Traits::Empty()) {
    if (!Traits::IsEmpty(h_)) Traits::Close(h_);
    h_ = h;
  }
  Handle release() { return std::exchange(h_, Traits::Empty()); }

 private:
  Handle h_ = Traits::Empty();
};

// Handles whose only empty value is null.
template <class H, auto close>
struct NullEmpty {
  using Handle = H;
  static Handle Empty() { return nullptr; }
  static bool IsEmpty(Handle h) { return h == nullptr; }
  static void Close(Handle h) { close(h); }
};

// Kernel handles: some functions fail with null (CreateMutex, OpenProcess),
// others with INVALID_HANDLE_VALUE (CreateFile, CreateToolhelp32Snapshot);
// both are empty, so no caller has to know which.
struct KernelTraits {
  using Handle = HANDLE;
  static Handle Empty() { return nullptr; }
  static bool IsEmpty(Handle h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct FindTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsEmpty(Handle h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};

using UniqueHandle = Unique<KernelTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueWindow = Unique<NullEmpty<HWND, ::DestroyWindow>>;
using UniqueGdiObject = Unique<NullEmpty<HGDIOBJ, ::DeleteObject>>;
using UniqueIcon = Unique<NullEmpty<HICON, ::DestroyIcon>>;
using UniqueBstr = Unique<NullEmpty<BSTR, ::SysFreeString>>;
using UniqueKey = Unique<NullEmpty<HKEY, ::RegCloseKey>>;
// Memory the system handed out for the caller to LocalFree.
template <class T>
using UniqueLocal = Unique<NullEmpty<T, ::LocalFree>>;

// A window's device context (the screen's for none), released to the
// window it came from.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An owned COM interface pointer: released once, never copied.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  static ComPtr Attach(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  static ComPtr Share(T* p) {
    if (p) p->AddRef();
    return Attach(p);
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  // Lets go without releasing: for a server that no longer answers, whose
  // release could wait for ever.
  T* detach() { return std::exchange(p_, nullptr); }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // For out-parameters: releases what is held first.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

 private:
  T* p_ = nullptr;
};

// An owned VARIANT, cleared once.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      ::VariantClear(&v_);
      v_ = other.v_;
      ::VariantInit(&other.v_);
    }
    return *this;
  }
  ~Variant() { ::VariantClear(&v_); }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* put() {
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// An owned EXCEPINFO: the strings a server fills in are freed once, also
// when a busy answer is asked again.
class ExcepInfo {
 public:
  ExcepInfo() = default;
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo() { Clear(); }

  // For an out-parameter: cleared first.
  EXCEPINFO* put() {
    Clear();
    return &info_;
  }
  // The server's own error number, filled in first when it was deferred.
  HRESULT scode() {
    if (info_.pfnDeferredFillIn) std::exchange(info_.pfnDeferredFillIn, nullptr)(&info_);
    return FAILED(info_.scode) || info_.wCode == 0 ? info_.scode
                                                   : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info_.wCode);
  }

 private:
  void Clear() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
    info_ = EXCEPINFO{};
  }
  EXCEPINFO info_{};
};

// COM for the calling thread, in a single-threaded apartment unless asked
// otherwise. Undoes only what succeeded: S_FALSE counts, RPC_E_CHANGED_MODE
// does not.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(::CoInitializeEx(nullptr, model)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace tbo::win
