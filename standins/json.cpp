#include "standins/json.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace tbo::standin {
namespace {

const Json kNull;
const Json::Array kNoItems;
const Json::Object kNoMembers;

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void DumpString(std::string& out, const std::string& s) {
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out += c;  // UTF-8 passes through unchanged
        }
    }
  }
  out += '"';
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  Json Document() {
    Json v = Value();
    Space();
    if (i_ != s_.size()) Error();
    return v;
  }

 private:
  [[noreturn]] void Error() const {
    throw std::runtime_error("malformed JSON at offset " + std::to_string(i_));
  }
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool Eat(char c) {
    Space();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Error();
  }
  bool Word(std::string_view w) {
    if (s_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  Json Value() {
    Space();
    if (i_ >= s_.size()) Error();
    const char c = s_[i_];
    if (c == '{') return ObjectValue();
    if (c == '[') return ArrayValue();
    if (c == '"') return Json(String());
    if (Word("true")) return Json(true);
    if (Word("false")) return Json(false);
    if (Word("null")) return Json();
    return Number();
  }

  Json ObjectValue() {
    Expect('{');
    Json::Object members;
    if (Eat('}')) return Json(std::move(members));
    do {
      Space();
      std::string key = String();
      Expect(':');
      members.emplace_back(std::move(key), Value());
    } while (Eat(','));
    Expect('}');
    return Json(std::move(members));
  }

  Json ArrayValue() {
    Expect('[');
    Json::Array items;
    if (Eat(']')) return Json(std::move(items));
    do items.push_back(Value());
    while (Eat(','));
    Expect(']');
    return Json(std::move(items));
  }

  std::uint32_t Hex4() {
    if (i_ + 4 > s_.size()) Error();
    const std::string digits(s_.substr(i_, 4));
    i_ += 4;
    char* end = nullptr;
    const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
    if (end != digits.c_str() + 4) Error();
    return static_cast<std::uint32_t>(v);
  }

  std::string String() {
    if (i_ >= s_.size() || s_[i_] != '"') Error();
    ++i_;
    std::string out;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) Error();
      c = s_[i_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          std::uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && Word("\\u")) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: out += c;  // \" \\ \/
      }
    }
    if (i_ >= s_.size()) Error();
    ++i_;
    return out;
  }

  Json Number() {
    const std::size_t start = i_;
    bool real = false;
    while (i_ < s_.size() && std::string_view("+-0123456789.eE").find(s_[i_]) != std::string_view::npos) {
      real = real || s_[i_] == '.' || s_[i_] == 'e' || s_[i_] == 'E';
      ++i_;
    }
    if (start == i_) Error();
    const std::string text(s_.substr(start, i_ - start));
    char* end = nullptr;
    if (real) {
      const double d = std::strtod(text.c_str(), &end);
      if (end != text.c_str() + text.size()) Error();
      return Json(d);
    }
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (end != text.c_str() + text.size()) Error();
    return Json(static_cast<std::int64_t>(n));
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

bool Json::Bool(bool fallback) const {
  if (const auto* b = std::get_if<bool>(&data_)) return *b;
  if (const auto* n = std::get_if<std::int64_t>(&data_)) return *n != 0;
  return fallback;
}

std::int64_t Json::Int(std::int64_t fallback) const {
  if (const auto* n = std::get_if<std::int64_t>(&data_)) return *n;
  if (const auto* d = std::get_if<double>(&data_)) return static_cast<std::int64_t>(*d);
  return fallback;
}

std::string Json::Str(std::string fallback) const {
  if (const auto* s = std::get_if<std::string>(&data_)) return *s;
  return fallback;
}

const Json::Array& Json::Items() const {
  if (const auto* a = std::get_if<Array>(&data_)) return *a;
  return kNoItems;
}

Json::Array& Json::MutableItems() {
  if (!IsArray()) data_ = Array{};
  return std::get<Array>(data_);
}

const Json::Object& Json::Members() const {
  if (const auto* o = std::get_if<Object>(&data_)) return *o;
  return kNoMembers;
}

const Json& Json::Get(std::string_view key) const {
  for (const auto& [k, v] : Members()) {
    if (k == key) return v;
  }
  return kNull;
}

bool Json::Has(std::string_view key) const {
  for (const auto& member : Members()) {
    if (member.first == key) return true;
  }
  return false;
}

Json& Json::Set(std::string_view key, Json value) {
  if (!IsObject()) data_ = Object{};
  auto& members = std::get<Object>(data_);
  for (auto& [k, v] : members) {
    if (k == key) return v = std::move(value);
  }
  members.emplace_back(std::string(key), std::move(value));
  return members.back().second;
}

std::string Json::Dump() const {
  std::string out;
  switch (data_.index()) {
    case 0: out = "null"; break;
    case 1: out = std::get<bool>(data_) ? "true" : "false"; break;
    case 2: out = std::to_string(std::get<std::int64_t>(data_)); break;
    case 3: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.17g", std::get<double>(data_));
      out = buf;
      break;
    }
    case 4: DumpString(out, std::get<std::string>(data_)); break;
    case 5: {
      out = "[";
      const char* sep = "";
      for (const Json& item : std::get<Array>(data_)) out.append(sep).append(item.Dump()), sep = ",";
      out += "]";
      break;
    }
    default: {
      out = "{";
      const char* sep = "";
      for (const auto& [k, v] : std::get<Object>(data_)) {
        out += sep;
        DumpString(out, k);
        out.append(":").append(v.Dump());
        sep = ",";
      }
      out += "}";
    }
  }
  return out;
}

Json Json::Parse(std::string_view text) { return Parser(text).Document(); }

}  // namespace tbo::standin
