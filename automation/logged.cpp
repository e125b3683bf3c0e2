#include "automation/logged.h"

#include <utility>

#include "automation/function_ref.h"
#include "automation/text.h"

namespace tbo {
namespace {

// A failure that is news rather than a failure, in its own words.
struct News {
  ErrorNumber error = kNoError;
  std::u16string what;
};

// Runs call; when it fails, the failure goes on carrying what was attempted.
void Recorded(const std::u16string& application, const std::u16string& what, FunctionRef<void()> call,
              const News& news = {}) {
  try {
    call();
  } catch (AutomationError& e) {
    const bool isNews = e.number() == news.error;
    e.Attempted({application, isNews ? news.what : what, isNews});
    throw;
  }
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

// Objects handed to the product are the logged ones; as arguments they go
// back to the server as what the platform knows them by (Native).
Value Wrapped(Value v, const std::u16string& application, std::u16string path);

class LoggedObject final : public Object {
 public:
  LoggedObject(Ref inner, std::u16string application, std::u16string path)
      : inner_(std::move(inner)), application_(std::move(application)), path_(std::move(path)) {}
  void* Native() const override { return inner_.IsEmpty() ? nullptr : inner_.shared()->Native(); }
  std::u16string Described() const override { return path_.empty() ? application_ : application_ + u" " + path_; }

  Value Get(std::u16string_view member, const std::vector<Value>& args) override {
    return Logged(Member(member, args), [&] { return inner_.Get(member, args); });
  }
  void Put(std::u16string_view member, const std::vector<Value>& args, const Value& value) override {
    Logged(Member(member, args) + u" = " + Spelled(value), [&] {
      inner_.PutWith(member, args, value);
      return Value();
    });
  }
  Value Call(std::u16string_view member, const std::vector<Value>& positional,
             const std::vector<NamedArg>& named) override {
    return Logged(Member(member, positional, named), [&] { return inner_.Call(member, positional, named); });
  }
  std::unique_ptr<Enumerator> Enumerate() override;

 private:
  std::u16string Path(const std::u16string& what) const { return path_.empty() ? what : path_ + u"." + what; }
  Value Logged(const std::u16string& what, FunctionRef<Value()> call) {
    const std::u16string path = Path(what);
    Value result;
    Recorded(application_, application_ + u" " + path, [&] { result = call(); });
    return Wrapped(std::move(result), application_, path);
  }
  Ref inner_;
  std::u16string application_, path_;
};

class LoggedEnumerator final : public Enumerator {
 public:
  LoggedEnumerator(std::unique_ptr<Enumerator> inner, std::u16string application, std::u16string path)
      : inner_(std::move(inner)), application_(std::move(application)), path_(std::move(path)) {}
  std::optional<Value> Next() override {
    std::optional<Value> item;
    Recorded(application_, application_ + u" next item of " + path_, [&] { item = inner_->Next(); });
    if (item) *item = Wrapped(std::move(*item), application_, path_ + u"(item)");
    return item;
  }

 private:
  std::unique_ptr<Enumerator> inner_;
  std::u16string application_, path_;
};

std::unique_ptr<Enumerator> LoggedObject::Enumerate() {
  std::unique_ptr<Enumerator> items;
  Recorded(application_, application_ + u" for each item of " + path_, [&] { items = inner_.Enumerate(); });
  if (!items) return nullptr;
  return std::make_unique<LoggedEnumerator>(std::move(items), application_, path_);
}

Value Wrapped(Value v, const std::u16string& application, std::u16string path) {
  if (v.kind() != Value::Kind::Object || v.AsObject().IsEmpty()) return v;
  return Value(Ref(std::make_shared<LoggedObject>(v.AsObject(), application, std::move(path))));
}

class LoggedAutomation final : public AutomationClient {
 public:
  explicit LoggedAutomation(AutomationClient& inner) : inner_(inner) {}
  Ref GetActiveObject(const ServerName& server) override {
    const std::u16string app(server.name);
    Ref found;
    // Finding none running is ordinary: the operation starts one next.
    Recorded(app, u"look for a running " + app, [&] { found = inner_.GetActiveObject(server); },
             {kNotRunning, u"no " + app + u" is running, so one is started"});
    return Logged(app, found);
  }
  Ref CreateObject(const ServerName& server) override {
    const std::u16string app(server.name);
    Ref created;
    Recorded(app, u"start " + app + u" (" + std::u16string(server.progId) + u")",
             [&] { created = inner_.CreateObject(server); });
    return Logged(app, created);
  }
  void NewPress() override { inner_.NewPress(); }
  bool Knows(const ServerName& server) override { return inner_.Knows(server); }

 private:
  Ref Logged(const std::u16string& app, const Ref& found) {
    return Wrapped(Value(found), app, u"").AsObject();
  }
  AutomationClient& inner_;
};

class LoggedFiles final : public FileSystem {
 public:
  LoggedFiles(FileSystem& inner, RunLog& log) : inner_(inner), log_(log) {}
  std::u16string FindFirst(std::u16string_view pattern, Search search = Search::Once) override {
    std::u16string found;
    Recorded({}, u"search " + std::u16string(pattern), [&] { found = inner_.FindFirst(pattern, search); });
    return found;
  }
  std::u16string FindNext() override {
    std::u16string found;
    Recorded({}, u"continue the search", [&] { found = inner_.FindNext(); });
    return found;
  }
  void SetNormalAttributes(std::u16string_view path) override {
    Recorded({}, u"reset the attributes of " + std::u16string(path), [&] { inner_.SetNormalAttributes(path); });
  }
  void Delete(std::u16string_view path) override {
    Recorded({}, u"delete " + std::u16string(path), [&] { inner_.Delete(path); });
    log_.Note(u"deleted " + std::u16string(path));
  }
  // Only backups are made by moving: "set aside".
  void Move(std::u16string_view from, std::u16string_view to) override {
    Recorded({}, u"rename " + std::u16string(from) + u" to " + std::u16string(to), [&] { inner_.Move(from, to); });
    log_.Note(u"set aside " + std::u16string(from) + u" as " + std::u16string(to.substr(to.rfind(u'\\') + 1)));
  }

 private:
  FileSystem& inner_;
  RunLog& log_;
};

class LoggedLauncher final : public ProcessLauncher {
 public:
  LoggedLauncher(ProcessLauncher& inner, RunLog& log) : inner_(inner), log_(log) {}
  bool Start(std::u16string_view programPath, std::u16string_view commandLine) override {
    bool staysInJob = false;
    Recorded({}, u"start " + std::u16string(commandLine), [&] { staysInJob = inner_.Start(programPath, commandLine); });
    log_.Note(u"started " + std::u16string(commandLine));
    if (staysInJob) {
      log_.Note(u"the new window of " + std::u16string(programPath) +
                u" stays in the job of the program that started TBO Setup, which does not let it out: a caller "
                u"that waits for that job waits until the window is closed, and one that ends the job closes it");
    }
    return staysInJob;
  }

 private:
  ProcessLauncher& inner_;
  RunLog& log_;
};

}  // namespace

struct LoggedPlatform::Services {
  Services(const Platform& p, RunLog& log)
      : automation(p.automation), files(p.files, log), processes(p.processes, log), events(p.events),
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
