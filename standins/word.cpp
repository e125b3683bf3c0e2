// The stand-in Word: its templates, its documents (the add-in template
// opened as one), Visible and Quit. A missing item fails as Word reports
// it, DISP_E_EXCEPTION carrying 0x800A1735; opening a file that does not
// exist, 0x800A1436.
#include <algorithm>

#include "standins/apps.h"
#include "standins/office.h"

namespace tbo::standin {
namespace {

constexpr HRESULT kWordNoMember = static_cast<HRESULT>(0x800A1735);
constexpr HRESULT kWordFileNotFound = static_cast<HRESULT>(0x800A1436);

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
  enum { kTemplates, kDocuments, kVisible, kQuit, kName, kNormalTemplate };
  const char* ClassName() const override { return "Application"; }
  const std::vector<MemberInfo>& Members() const override {
    static const std::vector<MemberInfo> m{
        {L"Templates", K::ReadOnly, 0, 0, {}},
        {L"Documents", K::ReadOnly, 0, 0, {}},
        {L"Visible", K::Property, 0, 0, {}},
        {L"Quit", K::Method, 0, 3, {L"SaveChanges", L"OriginalFormat", L"RouteDocument"}},
        {L"Name", K::ReadOnly, 0, 0, {}},
        {L"NormalTemplate", K::ReadOnly, 0, 0, {}}};
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
      case kNormalTemplate: return SetObject(result, MakeDispatch<WordTemplate>(self(), NormalTemplate()).get());
      default: return SetString(result, L"Microsoft Word");
    }
  }
  // The global template among the open ones; Word always has one.
  static std::wstring NormalTemplate() {
    for (const std::wstring& t : S().templates) {
      if (t.find(L"Normal.dot") != std::wstring::npos) return t;
    }
    return L"C:\\users\\Public\\Application Data\\Microsoft\\Templates\\Normal.dotm";
  }
};

}  // namespace

win::ComPtr<IDispatch> MakeWord() { return MakeDispatch<WordApp>(); }

}  // namespace tbo::standin
