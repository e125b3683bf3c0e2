#include "fakes/fake_powerpoint.h"

#include <algorithm>

namespace fake {
namespace {

constexpr ErrorNumber kInvalidArg = tbo::ErrorFromCode(0x80070057);

std::u16string WithoutAmpersands(std::u16string s) {
  s.erase(std::remove(s.begin(), s.end(), u'&'), s.end());
  return s;
}

template <class T>
void Erase(std::vector<std::shared_ptr<T>>& v, const T* item) {
  v.erase(std::remove_if(v.begin(), v.end(), [&](const auto& x) { return x.get() == item; }), v.end());
}

}  // namespace

FakePowerPoint::FakePowerPoint(FakePlatform& p)
    : app(p.Object("ppt")), p_(p), barsObject_(p.Object("bars")), addInsObject_(p.Object("addins")) {
  app->SetProperty("Visible", false);
  app->OnCall("Quit", [](auto&, auto&) { return Value(); });
  app->OnGet("CommandBars", [this](const std::vector<Value>& args) {
    if (args.empty()) return Value(tbo::Ref(barsObject_));
    const std::u16string name = args[0].AsString();
    for (const auto& b : bars) {
      if (b->name == name) return Value(tbo::Ref(b->object));
    }
    tbo::Fail(kInvalidArg);
  });
  barsObject_->OnCall("Add", [this](const std::vector<Value>& args, auto&) {
    if (args.size() != 3) tbo::Fail(tbo::kBadParamCount);
    const std::u16string name = args[0].AsString();
    for (const auto& b : bars) {
      if (b->name == name) tbo::Fail(tbo::kFail);
    }
    return Value(tbo::Ref(AddBar(name, args[2].AsBool())->object));
  });
  app->OnGet("AddIns", [this](const std::vector<Value>& args) {
    if (args.empty()) return Value(tbo::Ref(addInsObject_));
    const int i = args[0].AsInt16();
    if (i < 1 || i > static_cast<int>(addIns.size())) tbo::Fail(kInvalidArg);
    return Value(tbo::Ref(addIns[static_cast<size_t>(i - 1)]));
  });
  addInsObject_->OnGet("Count", [this](auto&) { return Value::I4(static_cast<std::int32_t>(addIns.size())); });
  addInsObject_->OnCall("Add", [this](const std::vector<Value>& args, auto&) {
    if (args.size() != 1) tbo::Fail(tbo::kBadParamCount);
    return Value(tbo::Ref(AddAddIn(Utf8(args[0].AsString()))));
  });
  AddBar(u"Menu Bar", true);
}

std::shared_ptr<FakeObject> FakePowerPoint::AddAddIn(const std::string& fullName) {
  auto a = p_.Object("addin" + std::to_string(addIns.size() + 1));
  a->SetProperty("FullName", Utf16(fullName));
  for (auto prop : {"Loaded", "Registered", "Autoload"}) a->SetProperty(prop, false);
  addIns.push_back(a);
  return a;
}

std::shared_ptr<FakePowerPoint::Bar> FakePowerPoint::AddBar(const std::u16string& name, bool menuBar) {
  auto bar = std::make_shared<Bar>();
  bar->name = name;
  bar->menuBar = menuBar;
  bar->object = p_.Object("bar(" + Utf8(name) + ")");
  bar->controlsObject = p_.Object("controls(" + Utf8(name) + ")");
  bar->object->SetProperty("Visible", false);
  Bar* raw = bar.get();
  bar->object->OnCall("Delete", [this, raw](auto&, auto&) {
    Erase(bars, raw);
    return Value();
  });
  bar->object->OnGet("Controls", [raw](const std::vector<Value>& args) {
    if (args.empty()) return Value(tbo::Ref(raw->controlsObject));
    const std::u16string wanted = WithoutAmpersands(args[0].AsString());
    for (const auto& c : raw->controls) {
      if (WithoutAmpersands(c->object->Property("Caption").AsString()) == wanted) {
        return Value(tbo::Ref(c->object));
      }
    }
    tbo::Fail(kInvalidArg);
  });
  bar->controlsObject->OnCall("Add", [this, raw](auto& positional, const std::vector<NamedArg>& named) {
    if (!positional.empty()) tbo::Fail(tbo::kBadParamCount);
    const int type = named.empty() ? 1 : named[0].value.AsInt16();
    return Value(tbo::Ref(AddControl(raw->controls, type)->object));
  });
  bars.push_back(bar);
  return bar;
}

std::shared_ptr<FakePowerPoint::Control> FakePowerPoint::AddControl(Controls& into, int type) {
  auto c = std::make_shared<Control>();
  const std::string name = "control" + std::to_string(++controlCount_);
  c->object = p_.Object(name);
  c->parent = &into;
  for (auto prop : {"Caption", "OnAction", "ShortcutText"}) c->object->SetProperty(prop, u"");
  c->object->SetProperty("FaceId", Value::I2(0));
  c->object->SetProperty("BeginGroup", false);
  Control* raw = c.get();
  c->object->OnPut("FaceId", [this, raw](auto&, const Value& v) {
    if (v.AsInt16() == rejectedFaceId) tbo::Fail(kInvalidArg);
    raw->object->SetProperty("FaceId", v);
  });
  c->object->OnCall("Delete", [raw](auto&, auto&) {
    Erase(*raw->parent, raw);
    return Value();
  });
  if (type == 10) {
    c->controlsObject = p_.Object(name + ".controls");
    c->object->OnGet("Controls", [raw](auto&) { return Value(tbo::Ref(raw->controlsObject)); });
    c->controlsObject->OnCall("Add", [this, raw](auto& positional, auto&) {
      if (!positional.empty()) tbo::Fail(tbo::kBadParamCount);
      return Value(tbo::Ref(AddControl(raw->children, 1)->object));
    });
  }
  into.push_back(c);
  return c;
}

std::vector<std::string> FakePowerPoint::Layout() const {
  std::vector<std::string> out;
  std::function<void(const Controls&, const std::string&)> entries = [&](const Controls& cs,
                                                                         const std::string& indent) {
    for (const auto& c : cs) {
      const FakeObject& o = *c->object;
      out.push_back(indent + (o.Property("BeginGroup").AsBool() ? "[group] " : "") +
                    Utf8(o.Property("Caption").AsString()) + " | " +
                    Utf8(o.Property("OnAction").AsString()) + " | " +
                    std::to_string(o.Property("FaceId").AsInt16()) + " | " +
                    Utf8(o.Property("ShortcutText").AsString()));
      entries(c->children, indent + "  ");
    }
  };
  for (const auto& b : bars) {
    out.push_back(Utf8(b->name) + (b->object->Property("Visible").AsBool() ? " visible" : ""));
    entries(b->controls, "  ");
  }
  return out;
}

}  // namespace fake
