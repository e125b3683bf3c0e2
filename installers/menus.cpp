// The PowerPoint toolbar "Tambrel Tools" and the menu "Tamb&rel Tools".
#include "automation/operation.h"
#include "automation/text.h"
#include "installers/powerpoint.h"

namespace tbo::MTBO {
namespace {

struct StandardEntry {
  bool beginGroup;
  const char16_t* caption;
  const char16_t* onAction;
  std::int16_t faceId;
  const char16_t* shortcutText;  // nullptr: not set
};

// Captions are Vietnamese without diacritics; rows 4 and 5 end in a blank.
constexpr StandardEntry kStandardEntries[] = {
    {false, u"&Kiem tra chinh ta tieng Viet...", u"RERured", 2566, nullptr},
    {false, u"Chuyen chu hoa", u"tbchangeCaseU", 252, u"Alt+U"},
    {false, u"Chuyen chu thuong", u"tbchangeCaseL", 252, u"Alt+L"},
    {true, u"&Chuyen ma/font van ban... ", u"tbConvert", 13, nullptr},
    {true, u"Tambrel &Panel... ", u"Tambrel", 2892, nullptr},
};

constexpr std::u16string_view kWebSite = u"http://www.tambrel.vn";

// The menu's own entries after the standard ones: caption, macro.
struct MenuExtra {
  const char16_t* caption;
  const char16_t* onAction;
};
constexpr MenuExtra kMenuExtras[] = {
    {u"Huong dan su dung", u"TambrelHelp"}, {u"Dong &Gop y kien...", u"tambrelweb"}, {kWebSite.data(), u"tambrelweb"}};

// Each entry's caption and macro, in order.
using Entries = std::vector<std::pair<std::u16string, std::u16string>>;

Entries ExpectedEntries(bool menu) {
  Entries expected;
  for (const StandardEntry& e : kStandardEntries) expected.emplace_back(e.caption, e.onAction);
  if (menu) {
    for (const MenuExtra& e : kMenuExtras) expected.emplace_back(e.caption, e.onAction);
  }
  return expected;
}

// The entries a toolbar or menu holds, read one by one.
Entries EntriesOf(const Ref& holder) {
  Entries read;
  const std::unique_ptr<Enumerator> items = holder.Get(u"Controls").AsObject().Enumerate();
  if (!items) Fail(kTypeMismatch);
  while (const std::optional<Value> item = items->Next()) {
    const Ref control = item->AsObject();
    read.emplace_back(control.Get(u"Caption").AsString(), control.Get(u"OnAction").AsString());
  }
  return read;
}

// The product's toolbars and "Menu Bar" entries, current and old, in the
// order they are deleted.
constexpr const char16_t* kToolbars[] = {u"TambrelO2.1", u"TambrelOF", u"Tambrel Tools"};
constexpr const char16_t* kMenus[] = {u"Tambrel Tools", u"TambrelO2.1", u"TambrelOF"};

Ref Toolbar(const Ref& app, std::u16string_view name) { return app.Get(u"CommandBars", {name}).AsObject(); }
Ref MenuEntry(const Ref& app, std::u16string_view caption) {
  return Toolbar(app, u"Menu Bar").Get(u"Controls", {caption}).AsObject();
}

}  // namespace

void AddStandardButtons(const Ref& target, int& added) {
  const Ref controls = target.Get(u"Controls").AsObject();                  // 1
  for (const StandardEntry& row : kStandardEntries) {                       // 2
    const Ref entry = controls.Call(u"Add").AsObject();
    ++added;
    if (row.beginGroup) entry.Put(u"BeginGroup", true);
    entry.Put(u"Caption", row.caption);
    entry.Put(u"OnAction", row.onAction);
    entry.Put(u"FaceId", Value::I2(row.faceId));
    if (row.shortcutText) entry.Put(u"ShortcutText", row.shortcutText);
  }
}

// Each bar and entry is looked up first: only a look-up that finds nothing
// is news. A Delete that fails is a failure.
void DeleteTambrelToolbars(Operation& op, const Ref& app) {
  for (const char16_t* name : kToolbars) {
    Ref bar;
    if (op.LookUp(u"toolbar " + std::u16string(name), [&] { bar = Toolbar(app, name); }) == Found::Yes) {
      if (op.Step([&] { bar.Call(u"Delete"); })) op.Changed(bar.Described() + u" deleted");
    }
  }
}

// The entry created as "Tamb&rel Tools" is found under "Tambrel Tools": the
// lookup disregards the accelerator marker.
void DeleteTambrelMenus(Operation& op, const Ref& app) {
  for (const char16_t* caption : kMenus) {
    Ref entry;
    if (op.LookUp(u"menu " + std::u16string(caption), [&] { entry = MenuEntry(app, caption); }) == Found::Yes) {
      if (op.Step([&] { entry.Call(u"Delete"); })) op.Changed(entry.Described() + u" deleted");
    }
  }
}

bool HasTambrelBars(const Runner& op, const Ref& app) {
  for (const char16_t* name : kToolbars) {
    if (Finds(op, [&] { Toolbar(app, name); })) return true;
  }
  for (const char16_t* caption : kMenus) {
    if (Finds(op, [&] { MenuEntry(app, caption); })) return true;
  }
  return false;
}

void BuildTambrelMenus(PressContext& press, const Ref& app) {
  static constexpr Stands kToolbar{u"the toolbar Tambrel Tools", u"made"}, kMenu{u"the menu Tamb&rel Tools", u"made"},
      kMenuEntries{u"the menu's entries", u"reached"}, kEntry{u"a menu entry", u"made"};
  Operation op = press.NewOperation();
  Ref toolbar(kToolbar), menu(kMenu), menuControls(kMenuEntries), entryA(kEntry), entryB(kEntry);
  int menuEntries = 0, toolbarEntries = 0;
  const auto entryAdded = [&](Ref& entry) {
    entry = menuControls.Call(u"Add").AsObject();
    ++menuEntries;
  };

  DeleteTambrelToolbars(op, app);                                                                  // 1-3
  int toolbarFailures = op.failures();
  op.Step([&] {                                                                                    // 4
    toolbar = app.Get(u"CommandBars").AsObject()
                  .Call(u"Add", {u"Tambrel Tools", Value::Omitted(), false}).AsObject();
  });
  op.Step([&] { toolbar.Put(u"Visible", true); });                                                 // 5
  toolbarFailures = op.failures() - toolbarFailures;
  DeleteTambrelMenus(op, app);                                                                     // 6-8
  const int menuFailuresBefore = op.failures();
  op.Step([&] {                                                                                    // 9
    menu = Toolbar(app, u"Menu Bar").Get(u"Controls").AsObject()
               .Call(u"Add", {}, {NamedArg{u"Type", Value::I2(10)}}).AsObject();
  });
  op.Step([&] { menu.Put(u"Caption", u"Tamb&rel Tools"); });                   // 10
  op.Step([&] { menu.Put(u"BeginGroup", true); });                             // 11
  op.Step([&] { AddStandardButtons(menu, menuEntries); });                     // 12
  op.Step([&] { menuControls = menu.Get(u"Controls").AsObject(); });           // 13
  op.Step([&] { entryAdded(entryA); });                                        // 14
  op.Step([&] { entryA.Put(u"Caption", kMenuExtras[0].caption); });           // 15
  op.Step([&] { entryA.Put(u"OnAction", kMenuExtras[0].onAction); });          // 16
  op.Step([&] { entryA.Put(u"FaceId", Value::I2(1589)); });                    // 17
  op.Step([&] { entryAdded(entryA); });                                        // 18
  op.Step([&] { entryA.Put(u"Caption", kMenuExtras[1].caption); });           // 19
  op.Step([&] { entryA.Put(u"OnAction", kMenuExtras[1].onAction); });          // 20
  op.Step([&] { entryA.Put(u"FaceId", Value::I2(1589)); });                    // 21
  op.Step([&] { entryAdded(entryB); });                                        // 22
  op.Step([&] { entryB.Put(u"Caption", kMenuExtras[2].caption); });           // 23
  op.Step([&] { entryB.Put(u"OnAction", kMenuExtras[2].onAction); });          // 24
  op.Step([&] { entryB.Put(u"FaceId", Value::I2(3021)); });                    // 25
  const bool menuBuilt = op.failures() == menuFailuresBefore;
  menuControls.Release();                                                      // 26
  const bool toolbarBuilt = op.Step([&] { AddStandardButtons(toolbar, toolbarEntries); }) && toolbarFailures == 0;
  if (!menu.IsEmpty()) op.Changed(u"menu Tamb&rel Tools built with " + Decimal(menuEntries) + u" entries");
  if (!toolbar.IsEmpty()) op.Changed(u"toolbar Tambrel Tools built with " + Decimal(toolbarEntries) + u" entries");
  // Built only when every step of it went through.
  if (menuBuilt) press.Reach(kPowerPointMenuBuilt);
  if (toolbarBuilt) press.Reach(kPowerPointToolbarBuilt);
}

// The toolbar and the menu as the builder leaves them: there, with every
// entry in its place. What PowerPoint reads otherwise is told.
void CheckTambrelMenus(PressContext& press, Operation& op, const Ref& app) {
  for (const bool menu : {false, true}) {
    const std::u16string_view what = menu ? u"the menu Tamb&rel Tools" : u"the toolbar Tambrel Tools";
    Ref bar;
    const auto lookUp = [&] { bar = menu ? MenuEntry(app, u"Tambrel Tools") : Toolbar(app, u"Tambrel Tools"); };
    if (op.LookUp(what, lookUp) != Found::Yes) continue;
    op.Step([&] {
      const Entries read = EntriesOf(bar);
      if (read == ExpectedEntries(menu)) {
        press.Reach(menu ? kPowerPointMenuBuilt : kPowerPointToolbarBuilt);
      } else {
        op.Note(Joined({what, u" holds ", Decimal(static_cast<long long>(read.size())), u" entries, not those it is "
                                                                                        u"built with"}));
      }
    });
  }
}

}  // namespace tbo::MTBO
