#include "automation/logged.h"

#include <utility>

#include "automation/text.h"

namespace tbo {
namespace {

// What a failing call attempted, as the log words it.
struct Attempt {
  std::u16string what;
  bool expected = false;  // news rather than a failure
};

// Runs call; when it fails, tells the log what was attempted and lets the
// failure go on. describe gets the error number and gives the Attempt.
template <class Call, class Describe>
auto RecordedAs(RunLog& log, Describe&& describe, Call&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const AutomationError& e) {
    Attempt attempt = describe(e.number());
    log.Attempted(std::move(attempt.what), e.number(), attempt.expected);
    throw;
  }
}
template <class Call>
auto Recorded(RunLog& log, const std::u16string& what, Call&& call) -> decltype(call()) {
  return RecordedAs(log, [&](ErrorNumber) { return Attempt{what}; }, std::forward<Call>(call));
}

std::u16string Spelled(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Empty: return u"Empty";
    case Value::Kind::Boolean: return v.AsBool() ? u"True" : u"False";
    case Value::Kind::Int16:
    case Value::Kind::Int32: return Decimal(v.AsInt32());
    case Value::Kind::String: return u"\"" + v.AsString() + u"\"";
    case Value::Kind::Object: return u"(object)";
    case Value::Kind::Omitted: return u"";
    case Value::Kind::List: return u"(list)";
  }
  return u"";
}

// "Add(\"C:\\x.xla\")", "Open(FileName:=\"...\")", or the bare name.
std::u16string Member(std::u16string_view member, const std::vector<Value>& args,
                      const std::vector<NamedArg>& named = {}) {
  std::u16string out(member);
  if (args.empty() && named.empty()) return out;
  std::u16string list;
  for (const Value& a : args) list += (list.empty() ? u"" : u", ") + Spelled(a);
  for (const NamedArg& a : named) list += (list.empty() ? u"" : u", ") + a.name + u":=" + Spelled(a.value);
  return out + u"(" + list + u")";
}

// Objects handed to the product are the logged ones; the inner ones go back
// to the server as arguments.
Value Unwrapped(const Value& v);
Value Wrapped(Value v, RunLog& log, const std::u16string& application, std::u16string path);

class LoggedObject final : public Object {
 public:
  LoggedObject(Ref inner, RunLog& log, std::u16string application, std::u16string path)
      : inner_(std::move(inner)), log_(log), application_(std::move(application)), path_(std::move(path)) {}
  const Ref& inner() const { return inner_; }

  Value Get(std::u16string_view member, const std::vector<Value>& args) override {
    return Logged(Member(member, args), [&] { return inner_.Get(member, Inner(args)); });
  }
  void Put(std::u16string_view member, const std::vector<Value>& args, const Value& value) override {
    Logged(Member(member, args) + u" = " + Spelled(value), [&] {
      inner_.PutWith(member, Inner(args), Unwrapped(value));
      return Value();
    });
  }
  Value Call(std::u16string_view member, const std::vector<Value>& positional,
             const std::vector<NamedArg>& named) override {
    std::vector<NamedArg> innerNamed;
    for (const NamedArg& a : named) innerNamed.push_back({a.name, Unwrapped(a.value)});
    return Logged(Member(member, positional, named),
                  [&] { return inner_.Call(member, Inner(positional), innerNamed); });
  }
  std::unique_ptr<Enumerator> Enumerate() override;

 private:
  template <class F>
  Value Logged(const std::u16string& what, F&& call) {
    const std::u16string path = path_.empty() ? what : path_ + u"." + what;
    return Wrapped(Recorded(log_, application_ + u" " + path, call), log_, application_, path);
  }
  static std::vector<Value> Inner(const std::vector<Value>& args) {
    std::vector<Value> out;
    for (const Value& a : args) out.push_back(Unwrapped(a));
    return out;
  }
  Ref inner_;
  RunLog& log_;
  std::u16string application_, path_;
};

class LoggedEnumerator final : public Enumerator {
 public:
  LoggedEnumerator(std::unique_ptr<Enumerator> inner, RunLog& log, std::u16string application, std::u16string path)
      : inner_(std::move(inner)), log_(log), application_(std::move(application)), path_(std::move(path)) {}
  std::optional<Value> Next() override {
    std::optional<Value> item = Recorded(log_, application_ + u" next item of " + path_, [&] { return inner_->Next(); });
    if (item) *item = Wrapped(std::move(*item), log_, application_, path_ + u"(item)");
    return item;
  }

 private:
  std::unique_ptr<Enumerator> inner_;
  RunLog& log_;
  std::u16string application_, path_;
};

std::unique_ptr<Enumerator> LoggedObject::Enumerate() {
  std::unique_ptr<Enumerator> items =
      Recorded(log_, application_ + u" for each item of " + path_, [&] { return inner_.Enumerate(); });
  if (!items) return nullptr;
  return std::make_unique<LoggedEnumerator>(std::move(items), log_, application_, path_);
}

Value Unwrapped(const Value& v) {
  if (v.kind() != Value::Kind::Object) return v;
  const auto* logged = dynamic_cast<const LoggedObject*>(v.AsObject().shared().get());
  return logged ? Value(logged->inner()) : v;
}

Value Wrapped(Value v, RunLog& log, const std::u16string& application, std::u16string path) {
  if (v.kind() != Value::Kind::Object || v.AsObject().IsEmpty()) return v;
  return Value(Ref(std::make_shared<LoggedObject>(v.AsObject(), log, application, std::move(path))));
}

// "Excel" for "Excel.Application".
std::u16string ApplicationOf(std::u16string_view progId) {
  std::u16string name(progId.substr(0, progId.find(u'.')));
  if (name == u"Powerpoint") name = u"PowerPoint";
  return name;
}

class LoggedAutomation final : public AutomationClient {
 public:
  LoggedAutomation(AutomationClient& inner, RunLog& log) : inner_(inner), log_(log) {}
  Ref GetActiveObject(std::u16string_view progId) override {
    const std::u16string app = ApplicationOf(progId);
    // Finding none running is ordinary: the operation starts one next.
    const auto describe = [&](ErrorNumber e) {
      return e == kNotRunning ? Attempt{u"no " + app + u" is running, so one is started", true}
                              : Attempt{u"look for a running " + app};
    };
    return Logged(app, RecordedAs(log_, describe, [&] { return inner_.GetActiveObject(progId); }));
  }
  Ref CreateObject(std::u16string_view progId) override {
    const std::u16string app = ApplicationOf(progId);
    return Logged(app, Recorded(log_, u"start " + app + u" (" + std::u16string(progId) + u")",
                                [&] { return inner_.CreateObject(progId); }));
  }

 private:
  Ref Logged(const std::u16string& app, const Ref& found) {
    return Wrapped(Value(found), log_, app, u"").AsObject();
  }
  AutomationClient& inner_;
  RunLog& log_;
};

class LoggedFiles final : public FileSystem {
 public:
  LoggedFiles(FileSystem& inner, RunLog& log) : inner_(inner), log_(log) {}
  std::u16string FindFirst(std::u16string_view pattern, Search search = Search::Once) override {
    return Recorded(log_, u"search " + std::u16string(pattern), [&] { return inner_.FindFirst(pattern, search); });
  }
  std::u16string FindNext() override {
    return Recorded(log_, u"continue the search", [&] { return inner_.FindNext(); });
  }
  void SetNormalAttributes(std::u16string_view path) override {
    Recorded(log_, u"reset the attributes of " + std::u16string(path), [&] { inner_.SetNormalAttributes(path); });
  }
  void Delete(std::u16string_view path) override {
    Recorded(log_, u"delete " + std::u16string(path), [&] { inner_.Delete(path); });
  }
  void Move(std::u16string_view from, std::u16string_view to) override {
    Recorded(log_, u"rename " + std::u16string(from) + u" to " + std::u16string(to), [&] { inner_.Move(from, to); });
  }

 private:
  FileSystem& inner_;
  RunLog& log_;
};

class LoggedLauncher final : public ProcessLauncher {
 public:
  LoggedLauncher(ProcessLauncher& inner, RunLog& log) : inner_(inner), log_(log) {}
  void Start(std::u16string_view programPath, std::u16string_view commandLine) override {
    Recorded(log_, u"start " + std::u16string(commandLine), [&] { inner_.Start(programPath, commandLine); });
  }

 private:
  ProcessLauncher& inner_;
  RunLog& log_;
};

}  // namespace

struct LoggedPlatform::Services {
  Services(const Platform& p, RunLog& log)
      : automation(p.automation, log), files(p.files, log), processes(p.processes, log), events(p.events),
        clock(p.clock) {}
  LoggedAutomation automation;
  LoggedFiles files;
  LoggedLauncher processes;
  EventPump& events;
  Clock& clock;
};

LoggedPlatform::LoggedPlatform(const Platform& inner, RunLog& log)
    : services_(std::make_unique<Services>(inner, log)) {}
LoggedPlatform::~LoggedPlatform() = default;

Platform LoggedPlatform::services() {
  return {services_->automation, services_->files, services_->processes, services_->events, services_->clock};
}

}  // namespace tbo
