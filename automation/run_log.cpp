#include "automation/run_log.h"

#include <chrono>

namespace tbo {
namespace {

std::u16string Number(long long n) {
  if (n < 0) return u"-" + Number(-n);
  std::u16string out(1, static_cast<char16_t>(u'0' + n % 10));
  return n < 10 ? out : Number(n / 10) + out;
}

std::u16string Spelled(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Empty: return u"Empty";
    case Value::Kind::Boolean: return v.AsBool() ? u"True" : u"False";
    case Value::Kind::Int16:
    case Value::Kind::Int32: return Number(v.AsInt32());
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
    return Logged(Member(member, positional, named), [&] { return inner_.Call(member, Inner(positional), innerNamed); });
  }
  std::unique_ptr<Enumerator> Enumerate() override;

 private:
  template <class F>
  Value Logged(const std::u16string& what, F&& call) {
    const std::u16string path = path_.empty() ? what : path_ + u"." + what;
    try {
      return Wrapped(call(), log_, application_, path);
    } catch (const AutomationError& e) {
      log_.Attempted(application_ + u" " + path, e.number());
      throw;
    }
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
    try {
      std::optional<Value> item = inner_->Next();
      if (item) *item = Wrapped(std::move(*item), log_, application_, path_ + u"(item)");
      return item;
    } catch (const AutomationError& e) {
      log_.Attempted(application_ + u" next item of " + path_, e.number());
      throw;
    }
  }

 private:
  std::unique_ptr<Enumerator> inner_;
  RunLog& log_;
  std::u16string application_, path_;
};

std::unique_ptr<Enumerator> LoggedObject::Enumerate() {
  std::unique_ptr<Enumerator> items;
  try {
    items = inner_.Enumerate();
  } catch (const AutomationError& e) {
    log_.Attempted(application_ + u" for each item of " + path_, e.number());
    throw;
  }
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

}  // namespace

std::u16string RunLog::Hex(ErrorNumber error) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(static_cast<std::uint32_t>(error) >> shift) & 0xF];
  return out;
}

void RunLog::BeginPress(std::u16string_view application) {
  application_ = application;
  pressStarted_ = clock_.Now();
  Write(u"press " + application_ + u": start");
}

void RunLog::EndPress() {
  const auto ms = (clock_.Now() - pressStarted_).count();
  Write(u"press " + application_ + u": end after " + Number(ms / 1000) + u"." + Number(ms % 1000 / 100) + u" s");
}

void RunLog::StepStarted() { attempt_ = {}; }

void RunLog::StepFailed(ErrorNumber error) {
  // A failure the services saw says what was attempted; one they did not
  // see (a call through an application that was never reached) says so.
  const std::u16string what = attempt_.error == error ? attempt_.what
                              : error == kObjectNotSet ? u"a step on an application that was not reached"
                                                       : u"a step";
  const std::u16string text = sink_.Describe(error);
  const bool expected = attempt_.error == error && attempt_.expected;
  Write(operation_ + u": " + what + (expected ? u": " : u" failed: ") + Hex(error) +
        (text.empty() ? u"" : u" " + text));
  attempt_ = {};
}

namespace {

// Records what a failing service call attempted, then lets the failure go on.
template <class F>
auto Logged(RunLog& log, std::u16string what, F&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const AutomationError& e) {
    log.Attempted(std::move(what), e.number());
    throw;
  }
}

class LoggedAutomation final : public AutomationClient {
 public:
  LoggedAutomation(AutomationClient& inner, RunLog& log) : inner_(inner), log_(log) {}
  Ref GetActiveObject(std::u16string_view progId) override {
    Ref app;
    try {
      app = inner_.GetActiveObject(progId);
    } catch (const AutomationError& e) {
      // Finding none running is ordinary: the operation starts one next.
      const bool none = e.number() == kNotRunning;
      log_.Attempted(none ? u"no " + ApplicationOf(progId) + u" is running, so one is started"
                          : u"look for a running " + ApplicationOf(progId),
                     e.number(), none);
      throw;
    }
    return Wrapped(Value(app), log_, ApplicationOf(progId), u"").AsObject();
  }
  Ref CreateObject(std::u16string_view progId) override {
    const Ref app = Logged(log_, u"start " + ApplicationOf(progId) + u" (" + std::u16string(progId) + u")",
                           [&] { return inner_.CreateObject(progId); });
    return Wrapped(Value(app), log_, ApplicationOf(progId), u"").AsObject();
  }

 private:
  AutomationClient& inner_;
  RunLog& log_;
};

class LoggedFiles final : public FileSystem {
 public:
  LoggedFiles(FileSystem& inner, RunLog& log) : inner_(inner), log_(log) {}
  std::u16string FindFirst(std::u16string_view pattern, Search search = Search::Once) override {
    return Logged(log_, u"search " + std::u16string(pattern), [&] { return inner_.FindFirst(pattern, search); });
  }
  std::u16string FindNext() override {
    return Logged(log_, u"continue the search", [&] { return inner_.FindNext(); });
  }
  void SetNormalAttributes(std::u16string_view path) override {
    Logged(log_, u"reset the attributes of " + std::u16string(path), [&] { inner_.SetNormalAttributes(path); });
  }
  void Delete(std::u16string_view path) override {
    Logged(log_, u"delete " + std::u16string(path), [&] { inner_.Delete(path); });
  }
  void Move(std::u16string_view from, std::u16string_view to) override {
    Logged(log_, u"rename " + std::u16string(from) + u" to " + std::u16string(to), [&] { inner_.Move(from, to); });
  }

 private:
  FileSystem& inner_;
  RunLog& log_;
};

class LoggedLauncher final : public ProcessLauncher {
 public:
  LoggedLauncher(ProcessLauncher& inner, RunLog& log) : inner_(inner), log_(log) {}
  void Start(std::u16string_view programPath, std::u16string_view commandLine) override {
    Logged(log_, u"start " + std::u16string(commandLine), [&] { inner_.Start(programPath, commandLine); });
  }

 private:
  ProcessLauncher& inner_;
  RunLog& log_;
};

}  // namespace

struct LoggedPlatform::Impl {
  Impl(const Platform& p, RunLog& log)
      : automation(p.automation, log), files(p.files, log), processes(p.processes, log), events(p.events), log(log) {}
  LoggedAutomation automation;
  LoggedFiles files;
  LoggedLauncher processes;
  EventPump& events;
  RunLog& log;
};

LoggedPlatform::LoggedPlatform(const Platform& inner, RunLog& log) : impl_(std::make_unique<Impl>(inner, log)) {}
LoggedPlatform::~LoggedPlatform() = default;

Platform LoggedPlatform::services() {
  return {impl_->automation, impl_->files, impl_->processes, impl_->events, &impl_->log};
}

}  // namespace tbo
