// The value that crosses the automation boundary, and the late-bound object
// interface that members are called through by name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "automation/errors.h"

namespace tbo {

class Object;
class Ref;

class Value {
 public:
  enum class Kind { Empty, Boolean, Int16, Int32, String, Object, Omitted, List };
  using List = std::vector<Value>;

  Value() = default;
  Value(bool b) : data_(b) {}  // NOLINT: Booleans read naturally as arguments
  Value(std::u16string s) : data_(std::move(s)) {}  // NOLINT
  Value(const char16_t* s) : data_(std::u16string(s)) {}  // NOLINT
  Value(std::u16string_view s) : data_(std::u16string(s)) {}  // NOLINT
  Value(const Ref& object);  // NOLINT: an object reference is a value too
  // Integers must say their width; a bare int would silently become a Boolean.
  Value(int) = delete;
  Value(const char*) = delete;

  static Value I2(std::int16_t v) { return Value(Tagged{}, v); }
  static Value I4(std::int32_t v) { return Value(Tagged{}, v); }
  static Value Omitted() { return Value(Tagged{}, OmittedTag{}); }
  static Value MakeList(List items);

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool IsEmpty() const { return kind() == Kind::Empty; }

  // Conversions as a late-bound caller applies them; each throws a type
  // mismatch (or overflow) AutomationError when the value does not convert.
  bool AsBool() const;
  std::int16_t AsInt16() const;
  std::int32_t AsInt32() const;
  std::u16string AsString() const;
  Ref AsObject() const;
  const List& AsList() const;
  // The comparison "value = False": true for False, zero and Empty.
  bool EqualsFalse() const;

  // Same kind and same content; object references compare by identity.
  friend bool operator==(const Value& a, const Value& b);

 private:
  struct Tagged {};
  struct EmptyTag {
    bool operator==(const EmptyTag&) const = default;
  };
  struct OmittedTag {
    bool operator==(const OmittedTag&) const = default;
  };
  using Data = std::variant<EmptyTag, bool, std::int16_t, std::int32_t, std::u16string,
                            std::shared_ptr<Object>, OmittedTag, std::shared_ptr<const List>>;
  template <class T>
  Value(Tagged, T v) : data_(std::move(v)) {}

  Data data_;
};

// A value as the log writes it: True, 13, "text".
std::u16string Spelled(const Value& value);

struct NamedArg {
  std::u16string name;
  Value value;
};

// Walks a collection item by item; Next gives nullopt after the last item.
class Enumerator {
 public:
  virtual ~Enumerator() = default;
  virtual std::optional<Value> Next() = 0;
};

// A late-bound automation object. Every member throws AutomationError with
// the server's error number when the call fails.
class Object {
 public:
  virtual ~Object() = default;
  virtual Value Get(std::u16string_view member, const std::vector<Value>& args) = 0;
  virtual void Put(std::u16string_view member, const std::vector<Value>& args,
                   const Value& value) = 0;
  virtual Value Call(std::u16string_view member, const std::vector<Value>& positional,
                     const std::vector<NamedArg>& named) = 0;
  virtual std::unique_ptr<Enumerator> Enumerate() = 0;
  // What the platform knows the object by (an IDispatch on Windows), to pass
  // it back to a server as an argument; null for an object of no platform.
  virtual void* Native() const { return nullptr; }
  // How it was reached, in the log's words ("Excel AddIns(\"Tambrel_O21\")");
  // "" when nothing tells.
  virtual std::u16string Described() const { return {}; }
};

// An object reference as the installers hold it: possibly empty, and every
// call through an empty one fails with "object not set".
class Ref {
 public:
  Ref() = default;
  explicit Ref(std::shared_ptr<Object> object) : object_(std::move(object)) {}
  // An empty reference that stands for something the steps will make or
  // reach; it keeps that name when an object is assigned to it.
  explicit Ref(const Stands& stands) : stands_(&stands) {}
  Ref(const Ref&) = default;
  Ref& operator=(const Ref& other) {
    object_ = other.object_;
    if (other.stands_) stands_ = other.stands_;
    return *this;
  }

  bool IsEmpty() const { return object_ == nullptr; }
  // What it stands for, when it was made to stand for something.
  const Stands* stands() const { return stands_; }
  void Release() { object_.reset(); }
  const std::shared_ptr<Object>& shared() const { return object_; }

  Value Get(std::u16string_view member, const std::vector<Value>& args = {}) const {
    return Checked().Get(member, args);
  }
  void Put(std::u16string_view member, const Value& value) const {
    Checked().Put(member, {}, value);
  }
  void PutWith(std::u16string_view member, const std::vector<Value>& args,
               const Value& value) const {
    Checked().Put(member, args, value);
  }
  Value Call(std::u16string_view member, const std::vector<Value>& positional = {},
             const std::vector<NamedArg>& named = {}) const {
    return Checked().Call(member, positional, named);
  }
  std::unique_ptr<Enumerator> Enumerate() const { return Checked().Enumerate(); }
  std::u16string Described() const { return object_ ? object_->Described() : std::u16string(); }

 private:
  Object& Checked() const {
    if (!object_) throw AutomationError(kObjectNotSet, stands_);
    return *object_;
  }

  std::shared_ptr<Object> object_;
  const Stands* stands_ = nullptr;
};

}  // namespace tbo
