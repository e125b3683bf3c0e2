// In-memory stand-ins for the platform services, just what the native unit
// tests need: objects that journal their calls and fail on demand, an
// automation client with running and creatable classes, a file system of
// names with scripted searches, and a counting event pump.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "automation/run_log.h"
#include "automation/services.h"

namespace fake {

using tbo::ErrorNumber;
using tbo::Value;
using Journal = std::vector<std::string>;

inline std::string Ascii(std::u16string_view s) { return std::string(s.begin(), s.end()); }

class Object : public tbo::Object {
 public:
  Object(std::string name, std::shared_ptr<Journal> journal) : name_(std::move(name)), journal_(std::move(journal)) {}
  std::map<std::string, Value> properties;
  std::map<std::string, ErrorNumber> failing;  // "call Quit" -> error of every such call
  std::vector<Value> items;                    // for-each, when enumerable
  bool enumerable = false;
  int enumerationFailsAt = -1;  // the item index whose fetch fails

  Value Get(std::u16string_view member, const std::vector<Value>&) override {
    Record("get " + Ascii(member));
    return properties[Ascii(member)];
  }
  void Put(std::u16string_view member, const std::vector<Value>&, const Value& value) override {
    Record("put " + Ascii(member));
    properties[Ascii(member)] = value;
  }
  Value Call(std::u16string_view member, const std::vector<Value>&, const std::vector<tbo::NamedArg>&) override {
    Record("call " + Ascii(member));
    return {};
  }
  std::unique_ptr<tbo::Enumerator> Enumerate() override {
    if (!enumerable) return nullptr;
    return std::make_unique<Items>(items, enumerationFailsAt);
  }

 private:
  struct Items : tbo::Enumerator {
    Items(std::vector<Value> v, int failsAt) : values(std::move(v)), failsAt(failsAt) {}
    std::optional<Value> Next() override {
      if (next == failsAt) tbo::Fail(tbo::kFail);
      if (next >= static_cast<int>(values.size())) return std::nullopt;
      return values[static_cast<size_t>(next++)];
    }
    std::vector<Value> values;
    int failsAt, next = 0;
  };
  void Record(const std::string& line) {
    journal_->push_back(name_ + " " + line);
    const auto f = failing.find(line);
    if (f != failing.end()) tbo::Fail(f->second);
  }
  std::string name_;
  std::shared_ptr<Journal> journal_;
};

class Automation : public tbo::AutomationClient {
 public:
  explicit Automation(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
  std::map<std::u16string, std::shared_ptr<Object>> running, creatable;

  tbo::Ref GetActiveObject(const tbo::ServerName& server) override {
    return Find(running, "attach ", server.progId, tbo::ErrorFromCode(0x800401E3));
  }
  tbo::Ref CreateObject(const tbo::ServerName& server) override {
    return Find(creatable, "create ", server.progId, tbo::ErrorFromCode(0x800401F3));
  }
  bool Knows(const tbo::ServerName& server) override {
    const std::u16string id(server.progId);
    return running.count(id) || creatable.count(id);
  }

 private:
  tbo::Ref Find(const std::map<std::u16string, std::shared_ptr<Object>>& where, const std::string& what,
                std::u16string_view progId, ErrorNumber missing) {
    journal_->push_back(what + Ascii(progId));
    const auto it = where.find(std::u16string(progId));
    if (it == where.end()) tbo::Fail(missing);
    return tbo::Ref(it->second);
  }
  std::shared_ptr<Journal> journal_;
};

// Names compare exactly; a search answers with what `found` lists for its
// pattern, and continuing it fails with `nextFails` once the list is out.
class Files : public tbo::FileSystem {
 public:
  std::set<std::u16string> names;
  std::map<std::u16string, std::vector<std::u16string>> found;
  ErrorNumber nextFails = 0;
  int movesRefused = 0;  // held open by another program for this many tries

  std::u16string FindFirst(std::u16string_view pattern, tbo::Search = tbo::Search::Once) override {
    pending_ = found[std::u16string(pattern)];
    return FindNext();
  }
  std::u16string FindNext() override {
    if (pending_.empty()) {
      if (nextFails) tbo::Fail(nextFails);
      return u"";
    }
    std::u16string next = pending_.front();
    pending_.erase(pending_.begin());
    return next;
  }
  void SetNormalAttributes(std::u16string_view) override {}
  void Delete(std::u16string_view path) override { names.erase(std::u16string(path)); }
  void Move(std::u16string_view from, std::u16string_view to) override {
    if (movesRefused > 0 && movesRefused--) tbo::Fail(tbo::kSharingViolation);
    if (names.count(std::u16string(to))) tbo::Fail(tbo::kAlreadyExists);
    if (!names.erase(std::u16string(from))) tbo::Fail(tbo::kFileNotFound);
    names.insert(std::u16string(to));
  }

 private:
  std::vector<std::u16string> pending_;
};

class Launcher : public tbo::ProcessLauncher {
 public:
  bool Start(std::u16string_view, std::u16string_view) override { return false; }
};

// The event pump and the clock in one: a wait moves the clock on.
class Events : public tbo::EventPump, public tbo::Clock {
 public:
  int yields = 0;
  // A loop that never ends fails its test instead of hanging it; nothing
  // in the product catches what is not an error of its own.
  int mostYields = 10000;
  void YieldToPending() override {
    if (++yields > mostYields) throw "a loop that does not end";
  }
  void WaitForEvents(std::chrono::milliseconds most) override { now += most; }
  std::chrono::milliseconds Now() override { return now; }
  std::chrono::milliseconds now{0};
};

// The log's lines, and the system's words for two errors.
struct Lines final : tbo::LogSink {
  std::vector<std::u16string> lines;
  void Append(std::u16string_view line) override { lines.emplace_back(line); }
  std::u16string Describe(tbo::ErrorNumber error) override {
    if (error == tbo::kCallCanceled) return u"Call was canceled by the message filter.";
    return error == tbo::kAccessDenied ? u"Access is denied." : u"";
  }
};

// All four services over one journal.
struct Platform {
  std::shared_ptr<Journal> journal = std::make_shared<Journal>();
  Automation automation{journal};
  Files files;
  Launcher launcher;
  Events events;
  tbo::Platform services() { return {automation, files, launcher, events, events}; }
  std::shared_ptr<Object> NewObject(std::string name) { return std::make_shared<Object>(std::move(name), journal); }
};

}  // namespace fake
