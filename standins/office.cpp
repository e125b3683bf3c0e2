// Word, Excel and PowerPoint as far as the setup program reaches them.
// Missing items fail the way each application reports them, as
// DISP_E_EXCEPTION carrying:
//   Word       0x800A1735  "the requested member of the collection does not exist"
//   Excel      0x8002000B  "subscript out of range"
//   PowerPoint 0x80070057  "invalid procedure call or argument" (add-ins,
//              command bars and controls alike)
// Opening or adding a file that does not exist fails too (Word 0x800A1436,
// Excel 0x800A03EC, PowerPoint 0x80004005).
#include "standins/office.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "standins/dispatch.h"
#include "standins/server.h"

namespace tbo::standin {
namespace {

using win::ComPtr;
using ItemList = std::vector<ComPtr<IDispatch>>;
using K = MemberKind;

constexpr HRESULT kWordNoMember = static_cast<HRESULT>(0x800A1735);
constexpr HRESULT kWordFileNotFound = static_cast<HRESULT>(0x800A1436);
constexpr HRESULT kExcelFailed = static_cast<HRESULT>(0x800A03EC);
constexpr HRESULT kDisconnected = static_cast<HRESULT>(0x80010108);

Server& S() { return Server::Current(); }

bool FileExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring BaseName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }
std::wstring Folder(const std::wstring& path) {
  const auto cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}
std::wstring WithoutExtension(const std::wstring& name) { return name.substr(0, name.find_last_of(L'.')); }

bool IsText(const VARIANT* v) {
  return v && ((v->vt & VT_TYPEMASK) == VT_BSTR || (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal->vt == VT_BSTR));
}

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

// Every object below the application keeps the application (and so the
// process) alive, as Office's own objects do.
class Child : public DispatchBase {
 public:
  explicit Child(IDispatch* app) : app_(ComPtr<IDispatch>::Share(app)) {}

 protected:
  IDispatch* app() const { return app_.get(); }

 private:
  ComPtr<IDispatch> app_;
};

class AppBase : public DispatchBase {
 protected:
  IDispatch* self() { return this; }
  void OnReleased(ULONG remaining) override {
    // One reference is the process's own; below that nobody outside holds us.
    if (remaining == 1) S().OnIdle();
  }
};

// ---- Word ----------------------------------------------------------------

class WordTemplate final : public Child {
 public:
  WordTemplate(IDispatch* app, std::wstring fullName) : Child(app), fullName_(std::move(fullName)) {}

 private:
  enum { kFullName, kName, kPath };
  const char* ClassName() const override { return "Template"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"FullName", K::ReadOnly, 0, 0, {}}, {L"Name", K::ReadOnly, 0, 0, {}}, {L"Path", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args&, VARIANT* result) override {
    switch (index) {
      case kFullName: return SetString(result, fullName_);
      case kName: return SetString(result, BaseName(fullName_));
      default: return SetString(result, Folder(fullName_));
    }
  }
  std::wstring fullName_;
};

class WordTemplates final : public Child {
 public:
  using Child::Child;

 private:
  enum { kCount, kItem };
  const char* ClassName() const override { return "Templates"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{{L"Count", K::ReadOnly, 0, 0, {}},
                                           {L"Item", K::Method, 1, 1, {L"Index"}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args& args, VARIANT* result) override {
    const auto& list = S().templates;
    if (index == kCount) return SetLong(result, static_cast<long>(list.size()));
    const long i = args.Long(0);
    if (i < 1 || static_cast<std::size_t>(i) > list.size()) Raise(kWordNoMember);
    SetObject(result, MakeDispatch<WordTemplate>(app(), list[static_cast<std::size_t>(i) - 1]).get());
  }
  ItemList Items() override {
    ItemList out;
    for (const auto& t : S().templates) out.push_back(MakeDispatch<WordTemplate>(app(), t));
    return out;
  }
};

class WordDocument final : public Child {
 public:
  WordDocument(IDispatch* app, std::wstring fullName) : Child(app), fullName_(std::move(fullName)) {}

 private:
  enum { kFullName, kName, kClose };
  const char* ClassName() const override { return "Document"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"FullName", K::ReadOnly, 0, 0, {}},
        {L"Name", K::ReadOnly, 0, 0, {}},
        {L"Close", K::Method, 0, 3, {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args&, VARIANT* result) override {
    auto& docs = S().documents;
    switch (index) {
      case kFullName: return SetString(result, fullName_);
      case kName: return SetString(result, BaseName(fullName_));
      default: {
        const auto it = std::find(docs.begin(), docs.end(), fullName_);
        if (it == docs.end()) Raise(kDisconnected);
        docs.erase(it);
      }
    }
  }
  std::wstring fullName_;
};

class WordDocuments final : public Child {
 public:
  using Child::Child;

 private:
  enum { kCount, kItem, kOpen };
  const char* ClassName() const override { return "Documents"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Count", K::ReadOnly, 0, 0, {}},
        {L"Item", K::Method, 1, 1, {L"Index"}},
        {L"Open", K::Method, 1, 16,
         {L"FileName", L"ConfirmConversions", L"ReadOnly", L"AddToRecentFiles", L"PasswordDocument",
          L"PasswordTemplate", L"Revert", L"WritePasswordDocument", L"WritePasswordTemplate", L"Format",
          L"Encoding", L"Visible", L"OpenAndRepair", L"DocumentDirection", L"NoEncodingDialog",
          L"XMLTransform"}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args& args, VARIANT* result) override {
    auto& docs = S().documents;
    switch (index) {
      case kCount: return SetLong(result, static_cast<long>(docs.size()));
      case kItem: {
        const long i = args.Long(0);
        if (i < 1 || static_cast<std::size_t>(i) > docs.size()) Raise(kWordNoMember);
        return SetObject(result, MakeDispatch<WordDocument>(app(), docs[static_cast<std::size_t>(i) - 1]).get());
      }
      default: {
        const std::wstring file = args.String(0);
        if (!FileExists(file)) Raise(kWordFileNotFound);
        docs.push_back(file);
        SetObject(result, MakeDispatch<WordDocument>(app(), file).get());
      }
    }
  }
  ItemList Items() override {
    ItemList out;
    for (const auto& d : S().documents) out.push_back(MakeDispatch<WordDocument>(app(), d));
    return out;
  }
};

class WordApp final : public AppBase {
  enum { kTemplates, kDocuments, kVisible, kQuit, kName };
  const char* ClassName() const override { return "Application"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Templates", K::ReadOnly, 0, 0, {}},
        {L"Documents", K::ReadOnly, 0, 0, {}},
        {L"Visible", K::Property, 0, 0, {}},
        {L"Quit", K::Method, 0, 3, {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}},
        {L"Name", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    switch (index) {
      case kTemplates: return SetObject(result, MakeDispatch<WordTemplates>(self()).get());
      case kDocuments: return SetObject(result, MakeDispatch<WordDocuments>(self()).get());
      case kVisible:
        if (flags & DISPATCH_PROPERTYPUT) return void(S().visible = args.ValueBool());
        return SetBool(result, S().visible);
      case kQuit: return S().RequestQuit();
      default: return SetString(result, L"Microsoft Word");
    }
  }
};

// ---- Excel and PowerPoint add-ins -----------------------------------------

class AddIn final : public Child {
 public:
  AddIn(IDispatch* app, std::shared_ptr<AddInData> data) : Child(app), data_(std::move(data)) {}

 private:
  enum { kName, kFullName, kPath, kInstalled, kLoaded, kRegistered, kAutoload };
  const char* ClassName() const override { return "AddIn"; }
  const std::vector<MemberInfo>& Members() const override {
    // Installed is Excel's; Loaded, Registered and Autoload are PowerPoint's.
    static const std::vector<MemberInfo> excel{{L"Name", K::ReadOnly, 0, 0, {}},
                                               {L"FullName", K::ReadOnly, 0, 0, {}},
                                               {L"Path", K::ReadOnly, 0, 0, {}},
                                               {L"Installed", K::Property, 0, 0, {}}};
    static const std::vector<MemberInfo> powerpoint{
        {L"Name", K::ReadOnly, 0, 0, {}},        {L"FullName", K::ReadOnly, 0, 0, {}},
        {L"Path", K::ReadOnly, 0, 0, {}},        {L"-", K::ReadOnly, 0, 0, {}},
        {L"Loaded", K::Property, 0, 0, {}},      {L"Registered", K::Property, 0, 0, {}},
        {L"Autoload", K::Property, 0, 0, {}}};
    return S().app() == "excel" ? excel : powerpoint;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    AddInData& a = *data_;
    if (std::find(S().addins.begin(), S().addins.end(), data_) == S().addins.end()) Raise(kDisconnected);
    const bool put = flags & DISPATCH_PROPERTYPUT;
    switch (index) {
      case kName: return SetString(result, a.name);
      case kFullName: return SetString(result, a.fullName);
      case kPath: return SetString(result, Folder(a.fullName));
      case kInstalled: return put ? PutInstalled(args.ValueBool()) : GetInstalled(result);
      case kLoaded: return put ? void(a.loaded = args.ValueBool()) : SetBool(result, a.loaded);
      case kRegistered: return put ? void(a.registered = args.ValueBool()) : SetBool(result, a.registered);
      default: return put ? void(a.autoload = args.ValueBool()) : SetBool(result, a.autoload);
    }
  }
  void PutInstalled(bool on) { data_->installed = on; }
  // A scenario can make Excel report the old state for a few read-backs.
  void GetInstalled(VARIANT* result) {
    if (!data_->installed && S().installedStaysTrue > 0) {
      --S().installedStaysTrue;
      return SetBool(result, true);
    }
    SetBool(result, data_->installed);
  }
  std::shared_ptr<AddInData> data_;
};

bool AddInNamed(const AddInData& a, const std::wstring& key) {
  return SameText(a.name, key) || SameText(BaseName(a.fullName), key);
}

class AddIns final : public Child {
 public:
  using Child::Child;
  static void ItemTo(IDispatch* app, const Args& args, VARIANT* result) {
    const HRESULT missing = S().app() == "excel" ? DISP_E_BADINDEX : E_INVALIDARG;
    SetObject(result, MakeDispatch<AddIn>(app, Lookup(S().addins, args, missing, AddInNamed)).get());
  }

 private:
  enum { kCount, kItem, kAdd, kRemove };
  const char* ClassName() const override { return "AddIns"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> excel{{L"Count", K::ReadOnly, 0, 0, {}},
                                               {L"Item", K::ReadOnly, 1, 1, {L"Index"}},
                                               {L"Add", K::Method, 1, 2, {L"Filename", L"CopyFile"}}};
    // PowerPoint can take an add-in off its list; Excel cannot.
    static const std::vector<MemberInfo> powerpoint{{L"Count", K::ReadOnly, 0, 0, {}},
                                                    {L"Item", K::Method, 1, 1, {L"Index"}},
                                                    {L"Add", K::Method, 1, 1, {L"FileName"}},
                                                    {L"Remove", K::Method, 1, 1, {L"Index"}}};
    return S().app() == "excel" ? excel : powerpoint;
  }
  void Run(std::size_t index, WORD, const Args& args, VARIANT* result) override {
    auto& list = S().addins;
    if (index == kCount) return SetLong(result, static_cast<long>(list.size()));
    if (index == kItem) return ItemTo(app(), args, result);
    if (index == kRemove) {
      const auto gone = Lookup(list, args, E_INVALIDARG, AddInNamed);
      list.erase(std::remove(list.begin(), list.end(), gone), list.end());
      return;
    }
    SetObject(result, MakeDispatch<AddIn>(app(), Add(args.String(0))).get());
  }
  std::shared_ptr<AddInData> Add(const std::wstring& file) {
    const bool excel = S().app() == "excel";
    if (!FileExists(file)) Raise(excel ? kExcelFailed : E_FAIL);
    for (const auto& a : S().addins) {
      if (SameText(a->fullName, file)) return a;
    }
    auto a = std::make_shared<AddInData>();
    a->fullName = file;
    a->name = WithoutExtension(BaseName(file));
    a->registered = !excel;  // PowerPoint registers what it adds, unloaded
    S().addins.push_back(a);
    return a;
  }
  ItemList Items() override {
    ItemList out;
    for (const auto& a : S().addins) out.push_back(MakeDispatch<AddIn>(app(), a));
    return out;
  }
};

class ExcelApp final : public AppBase {
  enum { kStartupPath, kPath, kAddIns, kVisible, kQuit, kName };
  const char* ClassName() const override { return "Application"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"StartupPath", K::ReadOnly, 0, 0, {}}, {L"Path", K::ReadOnly, 0, 0, {}},
        {L"AddIns", K::ReadOnly, 0, 1, {L"Index"}}, {L"Visible", K::Property, 0, 0, {}},
        {L"Quit", K::Method, 0, 0, {}},            {L"Name", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    switch (index) {
      case kStartupPath: return SetString(result, S().startupPath);
      case kPath: return SetString(result, S().path);
      case kAddIns:
        if (args.Has(0)) return AddIns::ItemTo(self(), args, result);
        return SetObject(result, MakeDispatch<AddIns>(self()).get());
      case kVisible:
        if (flags & DISPATCH_PROPERTYPUT) return void(S().visible = args.ValueBool());
        return SetBool(result, S().visible);
      case kQuit: return S().RequestQuit();
      default: return SetString(result, L"Microsoft Excel");
    }
  }
};

// ---- PowerPoint command bars ----------------------------------------------

bool CaptionIs(const ControlData& c, const std::wstring& key) {
  return SameText(WithoutAccelerator(c.caption), WithoutAccelerator(key));
}

class Control;

class Controls final : public Child {
 public:
  Controls(IDispatch* app, std::vector<std::shared_ptr<ControlData>>* list, std::shared_ptr<void> owner)
      : Child(app), list_(list), owner_(std::move(owner)) {}
  static void ItemTo(IDispatch* app, std::vector<std::shared_ptr<ControlData>>& list, const Args& args,
                     VARIANT* result);

 private:
  enum { kCount, kItem, kAdd };
  const char* ClassName() const override { return "CommandBarControls"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Count", K::ReadOnly, 0, 0, {}},
        {L"Item", K::ReadOnly, 1, 1, {L"Index"}},
        {L"Add", K::Method, 0, 5, {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args& args, VARIANT* result) override;
  ItemList Items() override;

  std::vector<std::shared_ptr<ControlData>>* list_;
  std::shared_ptr<void> owner_;  // the bar or popup that holds list_
};

class Control final : public Child {
 public:
  Control(IDispatch* app, std::shared_ptr<ControlData> data) : Child(app), data_(std::move(data)) {}

 private:
  enum { kDelete, kCaption, kOnAction, kFaceId, kShortcutText, kBeginGroup, kControls, kType };
  const char* ClassName() const override { return "CommandBarControl"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Delete", K::Method, 0, 1, {L"Temporary"}}, {L"Caption", K::Property, 0, 0, {}},
        {L"OnAction", K::Property, 0, 0, {}},         {L"FaceId", K::Property, 0, 0, {}},
        {L"ShortcutText", K::Property, 0, 0, {}},     {L"BeginGroup", K::Property, 0, 0, {}},
        {L"Controls", K::ReadOnly, 0, 1, {L"Index"}}, {L"Type", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    ControlData& c = *data_;
    if (c.deleted) Raise(kDisconnected);
    const bool put = flags & DISPATCH_PROPERTYPUT;
    switch (index) {
      case kDelete:
        c.deleted = true;
        return S().RemoveControl(&c);
      case kCaption: return put ? void(c.caption = args.ValueString()) : SetString(result, c.caption);
      case kOnAction: return put ? void(c.onAction = args.ValueString()) : SetString(result, c.onAction);
      case kFaceId: return put ? void(c.faceId = args.ValueLong()) : SetLong(result, c.faceId);
      case kShortcutText:
        return put ? void(c.shortcutText = args.ValueString()) : SetString(result, c.shortcutText);
      case kBeginGroup: return put ? void(c.beginGroup = args.ValueBool()) : SetBool(result, c.beginGroup);
      case kControls:
        if (c.type != 10) Raise(E_FAIL);  // only a popup holds controls
        if (args.Has(0)) return Controls::ItemTo(app(), c.controls, args, result);
        return SetObject(result, MakeDispatch<Controls>(app(), &c.controls, data_).get());
      default: return SetLong(result, c.type);
    }
  }
  std::shared_ptr<ControlData> data_;
};

void Controls::ItemTo(IDispatch* app, std::vector<std::shared_ptr<ControlData>>& list, const Args& args,
                      VARIANT* result) {
  SetObject(result, MakeDispatch<Control>(app, Lookup(list, args, E_INVALIDARG, CaptionIs)).get());
}

void Controls::Run(std::size_t index, WORD, const Args& args, VARIANT* result) {
  if (index == kCount) return SetLong(result, static_cast<long>(list_->size()));
  if (index == kItem) return ItemTo(app(), *list_, args, result);
  auto c = std::make_shared<ControlData>();
  if (args.Has(0)) c->type = args.Long(0);
  list_->push_back(c);
  SetObject(result, MakeDispatch<Control>(app(), c).get());
}

ItemList Controls::Items() {
  ItemList out;
  for (const auto& c : *list_) out.push_back(MakeDispatch<Control>(app(), c));
  return out;
}

bool BarNamed(const BarData& b, const std::wstring& key) { return SameText(b.name, key); }

class Bar final : public Child {
 public:
  Bar(IDispatch* app, std::shared_ptr<BarData> data) : Child(app), data_(std::move(data)) {}

 private:
  enum { kName, kDelete, kVisible, kControls };
  const char* ClassName() const override { return "CommandBar"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{{L"Name", K::ReadOnly, 0, 0, {}},
                                           {L"Delete", K::Method, 0, 0, {}},
                                           {L"Visible", K::Property, 0, 0, {}},
                                           {L"Controls", K::ReadOnly, 0, 1, {L"Index"}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    BarData& b = *data_;
    if (b.deleted) Raise(kDisconnected);
    switch (index) {
      case kName: return SetString(result, b.name);
      case kDelete: {
        b.deleted = true;
        auto& bars = S().bars;
        bars.erase(std::remove(bars.begin(), bars.end(), data_), bars.end());
        return;
      }
      case kVisible:
        if (flags & DISPATCH_PROPERTYPUT) return void(b.visible = args.ValueBool());
        return SetBool(result, b.visible);
      default:
        if (args.Has(0)) return Controls::ItemTo(app(), b.controls, args, result);
        return SetObject(result, MakeDispatch<Controls>(app(), &b.controls, data_).get());
    }
  }
  std::shared_ptr<BarData> data_;
};

class Bars final : public Child {
 public:
  using Child::Child;
  static void ItemTo(IDispatch* app, const Args& args, VARIANT* result) {
    SetObject(result, MakeDispatch<Bar>(app, Lookup(S().bars, args, E_INVALIDARG, BarNamed)).get());
  }

 private:
  enum { kCount, kItem, kAdd };
  const char* ClassName() const override { return "CommandBars"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Count", K::ReadOnly, 0, 0, {}},
        {L"Item", K::ReadOnly, 1, 1, {L"Index"}},
        {L"Add", K::Method, 0, 4, {L"Name", L"Position", L"MenuBar", L"Temporary"}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args& args, VARIANT* result) override {
    auto& bars = S().bars;
    if (index == kCount) return SetLong(result, static_cast<long>(bars.size()));
    if (index == kItem) return ItemTo(app(), args, result);
    auto b = std::make_shared<BarData>();
    b->name = args.Has(0) ? args.String(0) : L"Custom " + std::to_wstring(bars.size() + 1);
    b->menuBar = args.Has(2) && args.Bool(2);
    // Office refuses a second bar of the same name.
    for (const auto& other : bars) {
      if (BarNamed(*other, b->name)) Raise(E_INVALIDARG);
    }
    bars.push_back(b);
    SetObject(result, MakeDispatch<Bar>(app(), b).get());
  }
  ItemList Items() override {
    ItemList out;
    for (const auto& b : S().bars) out.push_back(MakeDispatch<Bar>(app(), b));
    return out;
  }
};

class PowerPointApp final : public AppBase {
  enum { kAddIns, kCommandBars, kVisible, kQuit, kName };
  const char* ClassName() const override { return "Application"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"AddIns", K::ReadOnly, 0, 1, {L"Index"}}, {L"CommandBars", K::ReadOnly, 0, 1, {L"Index"}},
        {L"Visible", K::Property, 0, 0, {}},        {L"Quit", K::Method, 0, 0, {}},
        {L"Name", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    switch (index) {
      case kAddIns:
        if (args.Has(0)) return AddIns::ItemTo(self(), args, result);
        return SetObject(result, MakeDispatch<AddIns>(self()).get());
      case kCommandBars:
        if (args.Has(0)) return Bars::ItemTo(self(), args, result);
        return SetObject(result, MakeDispatch<Bars>(self()).get());
      case kVisible:
        if (flags & DISPATCH_PROPERTYPUT) return void(S().visible = args.ValueBool());
        return SetBool(result, S().visible);
      case kQuit: return S().RequestQuit();
      default: return SetString(result, L"Microsoft PowerPoint");
    }
  }
};

}  // namespace

win::ComPtr<IDispatch> CreateApplication(const std::string& app) {
  if (app == "word") return MakeDispatch<WordApp>();
  if (app == "excel") return MakeDispatch<ExcelApp>();
  if (app == "powerpoint") return MakeDispatch<PowerPointApp>();
  return {};
}

}  // namespace tbo::standin
