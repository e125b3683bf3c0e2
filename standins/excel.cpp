// The stand-in Excel: its folders, its add-ins (switched on and off, never
// taken off the list: Excel cannot), its workbooks, Visible and Quit. A
// missing add-in fails as Excel reports it, DISP_E_EXCEPTION carrying
// DISP_E_BADINDEX; adding a file that does not exist, 0x800A03EC.
#include <algorithm>

#include "standins/apps.h"
#include "standins/office.h"

namespace tbo::standin {
namespace {

constexpr HRESULT kExcelFailed = static_cast<HRESULT>(0x800A03EC);

class ExcelAddIn final : public Child {
 public:
  ExcelAddIn(IDispatch* app, std::shared_ptr<AddInData> data) : Child(app), data_(std::move(data)) {}

 private:
  enum { kName, kFullName, kPath, kInstalled };
  const char* ClassName() const override { return "AddIn"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{{L"Name", K::ReadOnly, 0, 0, {}},
                                           {L"FullName", K::ReadOnly, 0, 0, {}},
                                           {L"Path", K::ReadOnly, 0, 0, {}},
                                           {L"Installed", K::Property, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    AddInData& a = *data_;
    if (std::find(S().addins.begin(), S().addins.end(), data_) == S().addins.end()) Raise(kDisconnected);
    switch (index) {
      case kName: return SetString(result, a.name);
      case kFullName: return SetString(result, a.fullName);
      case kPath: return SetString(result, Folder(a.fullName));
      default:
        if (flags & DISPATCH_PROPERTYPUT) return void(a.installed = args.ValueBool());
        return GetInstalled(result);
    }
  }
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

class ExcelAddIns final : public Child {
 public:
  using Child::Child;
  static void ItemTo(IDispatch* app, const Args& args, VARIANT* result) {
    SetObject(result, MakeDispatch<ExcelAddIn>(app, Lookup(S().addins, args, DISP_E_BADINDEX, AddInNamed)).get());
  }

 private:
  enum { kCount, kItem, kAdd };
  const char* ClassName() const override { return "AddIns"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{{L"Count", K::ReadOnly, 0, 0, {}},
                                           {L"Item", K::ReadOnly, 1, 1, {L"Index"}},
                                           {L"Add", K::Method, 1, 2, {L"Filename", L"CopyFile"}}};
    return m;
  }
  void Run(std::size_t index, WORD, const Args& args, VARIANT* result) override {
    auto& list = S().addins;
    if (index == kCount) return SetLong(result, static_cast<long>(list.size()));
    if (index == kItem) return ItemTo(app(), args, result);
    const std::wstring file = args.String(0);
    if (!FileExists(file)) Raise(kExcelFailed);
    auto found = std::find_if(list.begin(), list.end(), [&](const auto& a) { return SameText(a->fullName, file); });
    if (found == list.end()) {
      auto a = std::make_shared<AddInData>();
      a->fullName = file;
      a->name = WithoutExtension(BaseName(file));
      found = list.insert(list.end(), std::move(a));
    }
    SetObject(result, MakeDispatch<ExcelAddIn>(app(), *found).get());
  }
  ItemList Items() override {
    ItemList out;
    for (const auto& a : S().addins) out.push_back(MakeDispatch<ExcelAddIn>(app(), a));
    return out;
  }
};

class ExcelApp final : public AppBase {
  enum { kStartupPath, kPath, kAddIns, kVisible, kQuit, kName, kWorkbooks };
  const char* ClassName() const override { return "Application"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"StartupPath", K::ReadOnly, 0, 0, {}}, {L"Path", K::ReadOnly, 0, 0, {}},
        {L"AddIns", K::ReadOnly, 0, 1, {L"Index"}}, {L"Visible", K::Property, 0, 0, {}},
        {L"Quit", K::Method, 0, 0, {}},            {L"Name", K::ReadOnly, 0, 0, {}},
        {L"Workbooks", K::ReadOnly, 0, 0, {}}};
    return m;
  }
  void Run(std::size_t index, WORD flags, const Args& args, VARIANT* result) override {
    switch (index) {
      case kStartupPath: return SetString(result, S().startupPath);
      case kPath: return SetString(result, S().path);
      case kAddIns:
        if (args.Has(0)) return ExcelAddIns::ItemTo(self(), args, result);
        return SetObject(result, MakeDispatch<ExcelAddIns>(self()).get());
      case kVisible:
        if (flags & DISPATCH_PROPERTYPUT) return void(S().visible = args.ValueBool());
        return SetBool(result, S().visible);
      case kQuit: return S().RequestQuit();
      case kWorkbooks: return SetObject(result, MakeDispatch<OpenFiles>(self(), "Workbooks").get());
      default: return SetString(result, L"Microsoft Excel");
    }
  }
};

}  // namespace

win::ComPtr<IDispatch> MakeExcel() { return MakeDispatch<ExcelApp>(); }

}  // namespace tbo::standin
