// A small JSON value for the stand-ins' state, control and journal files.
// Objects keep their insertion order so that written files read naturally.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tbo::standin {

class Json {
 public:
  using Array = std::vector<Json>;
  using Member = std::pair<std::string, Json>;
  using Object = std::vector<Member>;

  Json() = default;
  Json(std::nullptr_t) {}
  Json(bool b) : data_(b) {}
  Json(int n) : data_(static_cast<std::int64_t>(n)) {}
  Json(std::int64_t n) : data_(n) {}
  Json(double d) : data_(d) {}
  Json(std::string s) : data_(std::move(s)) {}
  Json(const char* s) : data_(std::string(s)) {}
  Json(std::string_view s) : data_(std::string(s)) {}
  Json(Array a) : data_(std::move(a)) {}
  Json(Object o) : data_(std::move(o)) {}
  static Json MakeObject() { return Json(Object{}); }
  static Json MakeArray() { return Json(Array{}); }

  bool IsNull() const { return std::holds_alternative<std::monostate>(data_); }
  bool IsBool() const { return std::holds_alternative<bool>(data_); }
  bool IsNumber() const {
    return std::holds_alternative<std::int64_t>(data_) || std::holds_alternative<double>(data_);
  }
  bool IsString() const { return std::holds_alternative<std::string>(data_); }
  bool IsArray() const { return std::holds_alternative<Array>(data_); }
  bool IsObject() const { return std::holds_alternative<Object>(data_); }

  // Lenient readers: a value of another kind gives the fallback.
  bool Bool(bool fallback = false) const;
  std::int64_t Int(std::int64_t fallback = 0) const;
  std::string Str(std::string fallback = {}) const;
  const Array& Items() const;  // empty for non-arrays
  Array& MutableItems();       // turns the value into an array if needed
  const Object& Members() const;

  // Object access: Get gives a null value for a missing key; Set replaces
  // or appends.
  const Json& Get(std::string_view key) const;
  bool Has(std::string_view key) const;
  Json& Set(std::string_view key, Json value);
  void Push(Json value) { MutableItems().push_back(std::move(value)); }

  std::string Dump() const;
  // Throws std::runtime_error on malformed text.
  static Json Parse(std::string_view text);

 private:
  std::variant<std::monostate, bool, std::int64_t, double, std::string, Array, Object> data_;
};

}  // namespace tbo::standin
