// Conversions a late-bound caller applies to what servers return.
#include "automation/value.h"

#include <gtest/gtest.h>


namespace {

using tbo::Value;


TEST(Value, IntegerWidthsAndTheirLimits) {
  EXPECT_EQ(Value::I4(32767).AsInt16(), 32767);
  EXPECT_EQ(Value::I4(-32768).AsInt16(), -32768);
  EXPECT_EQ(tbo::ErrorOf([] { Value::I4(32768).AsInt16(); }), tbo::kOverflow);
  EXPECT_EQ(tbo::ErrorOf([] { Value::I4(-32769).AsInt16(); }), tbo::kOverflow);
  EXPECT_EQ(Value(true).AsInt32(), -1) << "True is -1";
  EXPECT_EQ(Value(false).AsInt32(), 0);
  EXPECT_EQ(tbo::ErrorOf([] { Value(u"3").AsInt16(); }), tbo::kTypeMismatch);
}

TEST(Value, ComparisonWithFalse) {
  EXPECT_TRUE(Value(false).EqualsFalse());
  EXPECT_FALSE(Value(true).EqualsFalse());
  EXPECT_TRUE(Value::I2(0).EqualsFalse());
  EXPECT_FALSE(Value::I4(1).EqualsFalse());
  EXPECT_TRUE(Value().EqualsFalse()) << "Empty equals False";
  EXPECT_EQ(tbo::ErrorOf([] { Value(u"False").EqualsFalse(); }), tbo::kTypeMismatch);
}

TEST(Value, StringsAndObjects) {
  EXPECT_EQ(Value().AsString(), u"");
  EXPECT_EQ(tbo::ErrorOf([] { Value::I2(1).AsString(); }), tbo::kTypeMismatch);
  EXPECT_EQ(tbo::ErrorOf([] { Value(u"x").AsObject(); }), tbo::kTypeMismatch);
  const tbo::Ref nothing = Value(tbo::Ref()).AsObject();
  EXPECT_TRUE(nothing.IsEmpty());
  EXPECT_EQ(tbo::ErrorOf([&] { nothing.Get(u"FullName"); }), tbo::kObjectNotSet);
}

TEST(Value, EqualityKeepsKindsApart) {
  EXPECT_EQ(Value(u"a"), Value(u"a"));
  EXPECT_FALSE(Value::I2(1) == Value::I4(1));
  EXPECT_FALSE(Value() == Value::Omitted());
  EXPECT_EQ(Value::MakeList({Value(u"k")}), Value::MakeList({Value(u"k")}));
}

}  // namespace
