#include "fakes/fake_platform.h"

#include <algorithm>
#include <cstdio>

namespace fake {
namespace {

std::string Hex(ErrorNumber e) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(e));
  return buf;
}

std::string Failed(ErrorNumber e) { return " -> " + Hex(e); }

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

std::u16string Fold(std::u16string_view s) {
  std::u16string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](char16_t c) { return Fold(c); });
  return out;
}

// Windows wildcards, case-blind: * any run, ? any one character.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == u'*') {
    for (size_t i = 0; i <= name.size(); ++i) {
      if (Matches(pattern.substr(1), name.substr(i))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern[0] != u'?' && Fold(pattern[0]) != Fold(name[0])) return false;
  return Matches(pattern.substr(1), name.substr(1));
}

std::u16string FolderOf(std::u16string_view path) {
  const size_t slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? u"" : path.substr(0, slash));
}

std::u16string NameOf(std::u16string_view path) {
  const size_t slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::string Args(const std::vector<Value>& positional, const std::vector<NamedArg>& named) {
  std::string out;
  for (const Value& v : positional) out += (out.empty() ? "" : ", ") + Describe(v);
  for (const NamedArg& a : named) {
    out += (out.empty() ? "" : ", ") + Utf8(a.name) + ":=" + Describe(a.value);
  }
  return out;
}

class ListEnumerator : public tbo::Enumerator {
 public:
  ListEnumerator(std::vector<Value> items, std::pair<int, ErrorNumber> failAt)
      : items_(std::move(items)), failAt_(failAt) {}
  std::optional<Value> Next() override {
    if (next_ == failAt_.first) tbo::Fail(failAt_.second);
    if (next_ >= static_cast<int>(items_.size())) return std::nullopt;
    return items_[next_++];
  }

 private:
  std::vector<Value> items_;
  std::pair<int, ErrorNumber> failAt_;
  int next_ = 0;
};

}  // namespace

std::string Utf8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf16(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    unsigned c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < s.size(); ++k) c = (c << 6) | (s[i + k] & 0x3F);
    i += extra + 1;
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Describe(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Empty: return "Empty";
    case Value::Kind::Boolean: return v.AsBool() ? "True" : "False";
    case Value::Kind::Int16: return "I2(" + std::to_string(v.AsInt16()) + ")";
    case Value::Kind::Int32: return "I4(" + std::to_string(v.AsInt32()) + ")";
    case Value::Kind::String: return "\"" + Utf8(v.AsString()) + "\"";
    case Value::Kind::Omitted: return "Missing";
    case Value::Kind::List: return "List(" + std::to_string(v.AsList().size()) + ")";
    case Value::Kind::Object: {
      const tbo::Ref r = v.AsObject();
      if (r.IsEmpty()) return "Nothing";
      const auto* f = dynamic_cast<const FakeObject*>(r.shared().get());
      return "<" + (f ? f->name() : std::string("object")) + ">";
    }
  }
  return "?";
}

// ---- FakeObject

void FakeObject::Record(const std::string& line, const std::string& member) {
  auto it = failures_.find(member);
  if (it != failures_.end() && it->second.second > 0) {
    --it->second.second;
    journal_->Add(line + Failed(it->second.first));
    tbo::Fail(it->second.first);
  }
  journal_->Add(line);
}

Value FakeObject::Property(const std::string& member) const {
  auto it = props_.find(member);
  return it == props_.end() ? Value() : it->second;
}

Value FakeObject::Get(std::u16string_view member16, const std::vector<Value>& args) {
  const std::string member = Utf8(member16);
  const std::string line = "get " + name_ + "." + member +
                           (args.empty() ? "" : "(" + Args(args, {}) + ")");
  if (auto it = gets_.find(member); it != gets_.end()) {
    Record(line, member);
    try {
      return it->second(args);
    } catch (const tbo::AutomationError& e) {
      journal_->lines.back() += Failed(e.number());
      throw;
    }
  }
  if (args.empty() && props_.count(member)) {
    Record(line, member);
    return props_[member];
  }
  journal_->Add(line + Failed(tbo::kUnknownName));
  tbo::Fail(tbo::kUnknownName);
}

void FakeObject::Put(std::u16string_view member16, const std::vector<Value>& args,
                     const Value& value) {
  const std::string member = Utf8(member16);
  const std::string line = "put " + name_ + "." + member +
                           (args.empty() ? "" : "(" + Args(args, {}) + ")") + " = " +
                           Describe(value);
  if (auto it = puts_.find(member); it != puts_.end()) {
    Record(line, member);
    try {
      it->second(args, value);
    } catch (const tbo::AutomationError& e) {
      journal_->lines.back() += Failed(e.number());
      throw;
    }
    return;
  }
  if (args.empty() && props_.count(member)) {
    Record(line, member);
    props_[member] = value;
    return;
  }
  journal_->Add(line + Failed(tbo::kUnknownName));
  tbo::Fail(tbo::kUnknownName);
}

Value FakeObject::Call(std::u16string_view member16, const std::vector<Value>& positional,
                       const std::vector<NamedArg>& named) {
  const std::string member = Utf8(member16);
  const std::string line = "call " + name_ + "." + member + "(" + Args(positional, named) + ")";
  auto it = calls_.find(member);
  if (it == calls_.end()) {
    journal_->Add(line + Failed(tbo::kUnknownName));
    tbo::Fail(tbo::kUnknownName);
  }
  Record(line, member);
  try {
    return it->second(positional, named);
  } catch (const tbo::AutomationError& e) {
    journal_->lines.back() += Failed(e.number());
    throw;
  }
}

std::unique_ptr<tbo::Enumerator> FakeObject::Enumerate() {
  if (!enumerable_) {
    journal_->Add("each " + name_ + Failed(tbo::kMemberNotFound));
    tbo::Fail(tbo::kMemberNotFound);
  }
  Record("each " + name_, "_NewEnum");
  return std::make_unique<ListEnumerator>(items_, enumFailAt_);
}

// ---- FakeAutomation

tbo::Ref FakeAutomation::GetActiveObject(std::u16string_view progId) {
  auto it = running_.find(std::u16string(progId));
  if (it == running_.end()) {
    constexpr ErrorNumber kUnavailable = tbo::ErrorFromCode(0x800401E3);
    journal_->Add("attach " + Utf8(progId) + Failed(kUnavailable));
    tbo::Fail(kUnavailable);
  }
  journal_->Add("attach " + Utf8(progId));
  return tbo::Ref(it->second);
}

tbo::Ref FakeAutomation::CreateObject(std::u16string_view progId) {
  auto it = factories_.find(std::u16string(progId));
  if (it == factories_.end()) {
    constexpr ErrorNumber kClassString = tbo::ErrorFromCode(0x800401F3);
    journal_->Add("create " + Utf8(progId) + Failed(kClassString));
    tbo::Fail(kClassString);
  }
  journal_->Add("create " + Utf8(progId));
  return tbo::Ref(it->second());
}

// ---- FakeFileSystem

void FakeFileSystem::AddFile(const std::u16string& path, unsigned attributes, std::string content) {
  entries_[Fold(path)] = Entry{path, attributes, std::move(content), false};
}

void FakeFileSystem::AddFolder(const std::u16string& path) {
  entries_[Fold(path)] = Entry{path, kDirectory, {}, false};
}

FakeFileSystem::Entry* FakeFileSystem::Find(std::u16string_view path) {
  auto it = entries_.find(Fold(path));
  return it == entries_.end() ? nullptr : &it->second;
}

const FakeFileSystem::Entry* FakeFileSystem::Find(std::u16string_view path) const {
  auto it = entries_.find(Fold(path));
  return it == entries_.end() ? nullptr : &it->second;
}

unsigned FakeFileSystem::Attributes(const std::u16string& path) const {
  const Entry* e = Find(path);
  return e ? e->attributes : ~0u;
}

std::string FakeFileSystem::Content(const std::u16string& path) const {
  const Entry* e = Find(path);
  return e ? e->content : std::string();
}

std::vector<std::string> FakeFileSystem::Paths() const {
  std::vector<std::string> out;
  for (const auto& [key, e] : entries_) out.push_back(Utf8(e.path));
  return out;
}

std::u16string FakeFileSystem::FindFirst(std::u16string_view pattern) {
  journal_->Add("find " + Utf8(pattern));
  pending_.clear();
  searching_ = false;
  if (pattern.empty()) return {};
  const std::u16string folder = Fold(FolderOf(pattern));
  const std::u16string namePattern = NameOf(pattern);
  for (const auto& [key, e] : entries_) {
    if (FolderOf(key) != folder) continue;
    if (e.attributes & (kHidden | kSystem | kDirectory)) continue;
    if (Matches(namePattern, NameOf(e.path))) pending_.push_back(NameOf(e.path));
  }
  searching_ = true;
  if (pending_.empty()) {
    searching_ = false;
    return {};
  }
  std::u16string first = pending_.front();
  pending_.erase(pending_.begin());
  return first;
}

std::u16string FakeFileSystem::FindNext() {
  if (!searching_) tbo::Fail(tbo::kInvalidCall);
  if (failFindNext != 0 && !pending_.empty()) tbo::Fail(failFindNext);
  if (pending_.empty()) {
    searching_ = false;
    return {};
  }
  std::u16string name = pending_.front();
  pending_.erase(pending_.begin());
  return name;
}

void FakeFileSystem::SetNormalAttributes(std::u16string_view path) {
  Entry* e = Find(path);
  if (!e) {
    journal_->Add("normal " + Utf8(path) + Failed(tbo::kFileNotFound));
    tbo::Fail(tbo::kFileNotFound);
  }
  journal_->Add("normal " + Utf8(path));
  e->attributes &= kDirectory;
}

void FakeFileSystem::Delete(std::u16string_view path) {
  Entry* e = Find(path);
  const ErrorNumber error = !e                                           ? tbo::kFileNotFound
                            : (e->attributes & (kReadOnly | kDirectory)) ? tbo::kAccessDenied
                            : e->locked                                  ? tbo::kSharingViolation
                                                                         : tbo::kNoError;
  if (error != tbo::kNoError) {
    journal_->Add("delete " + Utf8(path) + Failed(error));
    tbo::Fail(error);
  }
  journal_->Add("delete " + Utf8(path));
  entries_.erase(Fold(path));
}

void FakeFileSystem::Move(std::u16string_view from, std::u16string_view to) {
  Entry* e = Find(from);
  const ErrorNumber error = !e         ? tbo::kFileNotFound
                            : Find(to)  ? tbo::kAlreadyExists
                            : e->locked ? tbo::kSharingViolation
                                        : tbo::kNoError;
  const std::string line = "move " + Utf8(from) + " to " + Utf8(to);
  if (error != tbo::kNoError) {
    journal_->Add(line + Failed(error));
    tbo::Fail(error);
  }
  journal_->Add(line);
  Entry moved = *e;
  moved.path = std::u16string(to);
  entries_.erase(Fold(from));
  entries_[Fold(to)] = std::move(moved);
}

// ---- FakeLauncher

void FakeLauncher::Start(std::u16string_view programPath, std::u16string_view commandLine) {
  std::string line = "start [" + Utf8(programPath) + "] " + Utf8(commandLine);
  if (failWith != 0) {
    journal_->Add(line + Failed(failWith));
    tbo::Fail(failWith);
  }
  journal_->Add(line);
}

}  // namespace fake
