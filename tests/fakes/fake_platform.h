// In-memory stand-ins for the platform services, for the native unit tests:
// a case-blind file system with attributes, scripted automation objects that
// write every call to a journal and fail on demand, and recording launchers.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/services.h"

namespace fake {

using tbo::ErrorNumber;
using tbo::NamedArg;
using tbo::Value;

std::string Utf8(std::u16string_view s);
std::u16string Utf16(std::string_view s);
std::string Describe(const Value& v);

// Every call the fakes receive, one readable line each, in order.
struct Journal {
  std::vector<std::string> lines;
  void Add(std::string line) { lines.push_back(std::move(line)); }
};

class FakeObject : public tbo::Object {
 public:
  using GetFn = std::function<Value(const std::vector<Value>&)>;
  using PutFn = std::function<void(const std::vector<Value>&, const Value&)>;
  using CallFn = std::function<Value(const std::vector<Value>&, const std::vector<NamedArg>&)>;

  FakeObject(std::string name, std::shared_ptr<Journal> journal)
      : name_(std::move(name)), journal_(std::move(journal)) {}
  const std::string& name() const { return name_; }

  void OnGet(const std::string& member, GetFn fn) { gets_[member] = std::move(fn); }
  void OnPut(const std::string& member, PutFn fn) { puts_[member] = std::move(fn); }
  void OnCall(const std::string& member, CallFn fn) { calls_[member] = std::move(fn); }
  // A plain property: Get without arguments reads it, Put writes it.
  void SetProperty(const std::string& member, Value v) { props_[member] = std::move(v); }
  Value Property(const std::string& member) const;
  // The next `times` calls of the member fail with the error number.
  void FailNext(const std::string& member, ErrorNumber error, int times = 1) {
    failures_[member] = {error, times};
  }
  // Items for for-each; without them the object is not a collection.
  void SetItems(std::vector<Value> items) {
    items_ = std::move(items);
    enumerable_ = true;
  }
  // The enumeration fails at this item index (0 = at the first fetch).
  void FailEnumerationAt(int index, ErrorNumber error) { enumFailAt_ = {index, error}; }

  Value Get(std::u16string_view member, const std::vector<Value>& args) override;
  void Put(std::u16string_view member, const std::vector<Value>& args, const Value& value) override;
  Value Call(std::u16string_view member, const std::vector<Value>& positional,
             const std::vector<NamedArg>& named) override;
  std::unique_ptr<tbo::Enumerator> Enumerate() override;

 private:
  void Record(const std::string& line, const std::string& member);
  std::string name_;
  std::shared_ptr<Journal> journal_;
  std::map<std::string, GetFn> gets_;
  std::map<std::string, PutFn> puts_;
  std::map<std::string, CallFn> calls_;
  std::map<std::string, Value> props_;
  std::map<std::string, std::pair<ErrorNumber, int>> failures_;
  std::vector<Value> items_;
  bool enumerable_ = false;
  std::pair<int, ErrorNumber> enumFailAt_{-1, 0};
};

class FakeAutomation : public tbo::AutomationClient {
 public:
  explicit FakeAutomation(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
  // An instance found by GetActiveObject.
  void SetRunning(const std::u16string& progId, std::shared_ptr<FakeObject> app) {
    running_[progId] = std::move(app);
  }
  // What CreateObject makes; without a factory the class is not registered.
  void SetFactory(const std::u16string& progId, std::function<std::shared_ptr<FakeObject>()> f) {
    factories_[progId] = std::move(f);
  }
  tbo::Ref GetActiveObject(std::u16string_view progId) override;
  tbo::Ref CreateObject(std::u16string_view progId) override;

 private:
  std::shared_ptr<Journal> journal_;
  std::map<std::u16string, std::shared_ptr<FakeObject>> running_;
  std::map<std::u16string, std::function<std::shared_ptr<FakeObject>()>> factories_;
};

class FakeFileSystem : public tbo::FileSystem {
 public:
  enum : unsigned { kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kDirectory = 0x10, kArchive = 0x20 };
  explicit FakeFileSystem(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}

  void AddFile(const std::u16string& path, unsigned attributes = 0, std::string content = {});
  void AddFolder(const std::u16string& path);
  // Held open by another program without delete sharing.
  void Lock(const std::u16string& path) { Find(path)->locked = true; }
  bool Exists(const std::u16string& path) const { return Find(path) != nullptr; }
  unsigned Attributes(const std::u16string& path) const;
  std::string Content(const std::u16string& path) const;
  // Every path, as first spelled, in case-blind order.
  std::vector<std::string> Paths() const;
  tbo::ErrorNumber failFindNext = 0;  // continuing a search fails with it

  std::u16string FindFirst(std::u16string_view pattern) override;
  std::u16string FindNext() override;
  void SetNormalAttributes(std::u16string_view path) override;
  void Delete(std::u16string_view path) override;
  void Move(std::u16string_view from, std::u16string_view to) override;

 private:
  struct Entry {
    std::u16string path;
    unsigned attributes = 0;
    std::string content;
    bool locked = false;
  };
  Entry* Find(std::u16string_view path);
  const Entry* Find(std::u16string_view path) const;
  std::shared_ptr<Journal> journal_;
  std::map<std::u16string, Entry> entries_;  // keyed by the folded path
  std::vector<std::u16string> pending_;      // names the last search still has to give
  bool searching_ = false;
};

class FakeLauncher : public tbo::ProcessLauncher {
 public:
  explicit FakeLauncher(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
  void Start(std::u16string_view programPath, std::u16string_view commandLine) override;
  ErrorNumber failWith = 0;

 private:
  std::shared_ptr<Journal> journal_;
};

class FakeEvents : public tbo::EventPump {
 public:
  explicit FakeEvents(std::shared_ptr<Journal> journal) : journal_(std::move(journal)) {}
  void YieldToPending() override {
    ++count;
    journal_->Add("yield");
    if (onYield) onYield();
  }
  void WaitForEvents(std::chrono::milliseconds most) override {
    journal_->Add("wait " + std::to_string(most.count()));
    now += most;
  }
  std::chrono::milliseconds Now() override { return now; }
  int count = 0;
  std::chrono::milliseconds now{1000};
  std::function<void()> onYield;

 private:
  std::shared_ptr<Journal> journal_;
};

// All four services over one journal.
struct FakePlatform {
  std::shared_ptr<Journal> journal = std::make_shared<Journal>();
  FakeAutomation automation{journal};
  FakeFileSystem files{journal};
  FakeLauncher launcher{journal};
  FakeEvents events{journal};
  tbo::Platform services() { return {automation, files, launcher, events}; }
  std::shared_ptr<FakeObject> Object(std::string name) {
    return std::make_shared<FakeObject>(std::move(name), journal);
  }
};

}  // namespace fake
