#include "automation/value.h"

#include <limits>

#include "automation/text.h"

namespace tbo {

Value::Value(const Ref& object) : data_(object.shared()) {}

Value Value::MakeList(List items) {
  return Value(Tagged{}, std::make_shared<const List>(std::move(items)));
}

bool Value::AsBool() const {
  switch (kind()) {
    case Kind::Empty: return false;
    case Kind::Boolean: return std::get<bool>(data_);
    case Kind::Int16:
    case Kind::Int32: return AsInt32() != 0;
    default: Fail(kTypeMismatch);
  }
}

std::int32_t Value::AsInt32() const {
  switch (kind()) {
    case Kind::Empty: return 0;
    case Kind::Boolean: return std::get<bool>(data_) ? -1 : 0;
    case Kind::Int16: return std::get<std::int16_t>(data_);
    case Kind::Int32: return std::get<std::int32_t>(data_);
    default: Fail(kTypeMismatch);
  }
}

std::int16_t Value::AsInt16() const {
  const std::int32_t v = AsInt32();
  if (v < std::numeric_limits<std::int16_t>::min() ||
      v > std::numeric_limits<std::int16_t>::max()) {
    Fail(kOverflow);
  }
  return static_cast<std::int16_t>(v);
}

std::u16string Value::AsString() const {
  switch (kind()) {
    case Kind::Empty: return {};
    case Kind::String: return std::get<std::u16string>(data_);
    default: Fail(kTypeMismatch);
  }
}

Ref Value::AsObject() const {
  if (kind() != Kind::Object) Fail(kTypeMismatch);
  return Ref(std::get<std::shared_ptr<Object>>(data_));
}

const Value::List& Value::AsList() const {
  if (kind() != Kind::List) Fail(kTypeMismatch);
  return *std::get<std::shared_ptr<const List>>(data_);
}

bool Value::EqualsFalse() const { return AsInt32() == 0; }

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

bool operator==(const Value& a, const Value& b) {
  if (a.kind() == Value::Kind::List && b.kind() == Value::Kind::List) {
    return a.AsList() == b.AsList();
  }
  return a.data_ == b.data_;
}

}  // namespace tbo
