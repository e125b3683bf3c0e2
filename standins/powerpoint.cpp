// The stand-in PowerPoint: its add-ins (unloaded, unregistered, added with
// automatic loading, taken off the list), its command bars and their
// controls, its presentations, Visible and Quit. A missing item fails as
// PowerPoint reports every one, DISP_E_EXCEPTION carrying E_INVALIDARG
// (add-ins, command bars and controls alike); adding a file that does not
// exist, E_FAIL.
#include <algorithm>

#include "standins/apps.h"
#include "standins/office.h"

namespace tbo::standin {
namespace {

class PowerPointAddIn final : public Child {
 public:
  PowerPointAddIn(IDispatch* app, std::shared_ptr<AddInData> data) : Child(app), data_(std::move(data)) {}

 private:
  enum { kName, kFullName, kPath, kLoaded, kRegistered, kAutoload };
  const char* ClassName() const override { return "AddIn"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Name", K::ReadOnly, 0, 0, {}},   {L"FullName", K::ReadOnly, 0, 0, {}},   {L"Path", K::ReadOnly, 0, 0, {}},
        {L"Loaded", K::Property, 0, 0, {}}, {L"Registered", K::Property, 0, 0, {}}, {L"Autoload", K::Property, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    AddInData& a = *data_;
    if (std::find(S().addins.begin(), S().addins.end(), data_) == S().addins.end()) Raise(kDisconnected);
    const bool put = flags & DISPATCH_PROPERTYPUT;
    switch (index) {
      case kName: return SetString(result, a.name);
      case kFullName: return SetString(result, a.fullName);
      case kPath: return SetString(result, Folder(a.fullName));
      case kLoaded: return put ? void(a.loaded = args.ValueBool()) : SetBool(result, a.loaded);
      case kRegistered: return put ? void(a.registered = args.ValueBool()) : SetBool(result, a.registered);
      default: return put ? void(a.autoload = args.ValueBool()) : SetBool(result, a.autoload);
    }
  }
  std::shared_ptr<AddInData> data_;
};

class PowerPointAddIns final : public Child {
 public:
  using Child::Child;
  static void ItemTo(IDispatch* app, const Args& args, VARIANT* result) {
    SetObject(result, MakeDispatch<PowerPointAddIn>(app, Lookup(S().addins, args, E_INVALIDARG, AddInNamed)).get());
  }

 private:
  enum { kCount, kItem, kAdd, kRemove };
  const char* ClassName() const override { return "AddIns"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{{L"Count", K::ReadOnly, 0, 0, {}},
                                           {L"Item", K::Method, 1, 1, {L"Index"}},
                                           {L"Add", K::Method, 1, 1, {L"FileName"}},
                                           {L"Remove", K::Method, 1, 1, {L"Index"}}};
    return m;
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
    const std::wstring file = args.String(0);
    if (!FileExists(file)) Raise(E_FAIL);
    auto found = std::find_if(list.begin(), list.end(), [&](const auto& a) { return SameText(a->fullName, file); });
    if (found == list.end()) {
      auto a = std::make_shared<AddInData>();
      a->fullName = file;
      a->name = WithoutExtension(BaseName(file));
      a->registered = true;  // PowerPoint registers what it adds, unloaded
      found = list.insert(list.end(), std::move(a));
    }
    SetObject(result, MakeDispatch<PowerPointAddIn>(app(), *found).get());
  }
  ItemList Items() override {
    ItemList out;
    for (const auto& a : S().addins) out.push_back(MakeDispatch<PowerPointAddIn>(app(), a));
    return out;
  }
};

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
  enum { kAddIns, kCommandBars, kVisible, kQuit, kName, kPresentations };
  const char* ClassName() const override { return "Application"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"AddIns", K::ReadOnly, 0, 1, {L"Index"}}, {L"CommandBars", K::ReadOnly, 0, 1, {L"Index"}},
        {L"Visible", K::Property, 0, 0, {}},        {L"Quit", K::Method, 0, 0, {}},
        {L"Name", K::ReadOnly, 0, 0, {}},           {L"Presentations", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    switch (index) {
      case kAddIns:
        if (args.Has(0)) return PowerPointAddIns::ItemTo(self(), args, result);
        return SetObject(result, MakeDispatch<PowerPointAddIns>(self()).get());
      case kCommandBars:
        if (args.Has(0)) return Bars::ItemTo(self(), args, result);
        return SetObject(result, MakeDispatch<Bars>(self()).get());
      case kVisible:
        if (flags & DISPATCH_PROPERTYPUT) return void(S().visible = args.ValueBool());
        return SetBool(result, S().visible);
      case kQuit: return S().RequestQuit();
      case kPresentations: return SetObject(result, MakeDispatch<OpenFiles>(self(), "Presentations").get());
      default: return SetString(result, L"Microsoft PowerPoint");
    }
  }
};

}  // namespace

win::ComPtr<IDispatch> MakePowerPoint() { return MakeDispatch<PowerPointApp>(); }

}  // namespace tbo::standin
