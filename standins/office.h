// What the stand-in Word, Excel and PowerPoint share: the process's
// server, objects that keep their application alive, item look-ups by
// number or name, and the collection of what the user has open.
#pragma once

#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "automation/win32/handles.h"
#include "standins/dispatch.h"
#include "standins/server.h"

namespace tbo::standin {

using ItemList = std::vector<win::ComPtr<IDispatch>>;
using K = MemberKind;

// An object whose application is gone, or an item since deleted.
inline constexpr HRESULT kDisconnected = static_cast<HRESULT>(0x80010108);

inline Server& S() { return Server::Current(); }

bool FileExists(const std::wstring& path);
std::wstring BaseName(const std::wstring& path);
std::wstring Folder(const std::wstring& path);
std::wstring WithoutExtension(const std::wstring& name);
bool IsText(const VARIANT* v);

// Item lookup by 1-based number or by a name matched with `named`.
template <class T, class Named>
std::shared_ptr<T> Lookup(const std::vector<std::shared_ptr<T>>& list, const Args& args, HRESULT missing,
                          Named named) {
  if (IsText(args.Slot(0))) {
    const std::wstring key = args.String(0);
    for (const auto& item : list) {
      if (named(*item, key)) return item;
    }
    Raise(missing);
  }
  const long i = args.Long(0);
  if (i < 1 || static_cast<std::size_t>(i) > list.size()) Raise(missing);
  return list[static_cast<std::size_t>(i) - 1];
}

// An add-in is found by its name or its file's.
bool AddInNamed(const AddInData& a, const std::wstring& key);

// Every object below the application keeps the application (and so the
// process) alive, as Office's own objects do.
class Child : public DispatchBase {
 public:
  explicit Child(IDispatch* app) : app_(win::ComPtr<IDispatch>::Share(app)) {}

 protected:
  IDispatch* app() const { return app_.get(); }

 private:
  win::ComPtr<IDispatch> app_;
};

class AppBase : public DispatchBase {
 protected:
  IDispatch* self() { return this; }
  void OnReleased(ULONG remaining) override {
    // One reference is the process's own; below that nobody outside holds us.
    if (remaining == 1) S().OnIdle();
  }
};

// What the user has open (Excel's workbooks, PowerPoint's presentations),
// as far as a caller asks: how many.
class OpenFiles final : public Child {
 public:
  OpenFiles(IDispatch* app, const char* className) : Child(app), className_(className) {}

 private:
  const char* ClassName() const override { return className_; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{{L"Count", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t, WORD, const Args&, VARIANT* result) override {
    SetLong(result, static_cast<long>(S().documents.size()));
  }
  const char* className_;
};

}  // namespace tbo::standin
