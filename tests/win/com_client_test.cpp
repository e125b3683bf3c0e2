// The COM client against automation servers that Wine itself provides:
// arguments, puts with arguments, enumeration and error numbers through a
// real IDispatch.
#include <gtest/gtest.h>


#include <string>

#include "automation/win32/com_client.h"
#include "automation/win32/platform.h"
#include "automation/win32/text.h"

namespace {

using tbo::NamedArg;
using tbo::Ref;
using tbo::Value;


std::u16string TempFolder(const wchar_t* leaf) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + leaf;
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return tbo::win::FromWide(dir);
}

class ComClientTest : public ::testing::Test {
 protected:
  tbo::win::ComApartment com{COINIT_MULTITHREADED};
  tbo::win::Win32EventPump events;
  tbo::win::ComClient client{events, events};
};

class Dictionary : public ComClientTest {
 protected:
  Ref dict = client.CreateObject({u"Scripting.Dictionary", u"Dictionary"});
};

TEST_F(Dictionary, PositionalAndNamedArgumentsKeepTheirTypes) {
  dict.Call(u"Add", {u"a", Value::I2(1)});
  dict.Call(u"Add", {}, {NamedArg{u"Key", u"b"}, NamedArg{u"Item", true}});
  dict.Call(u"Add", {}, {NamedArg{u"Item", Value::I4(70000)}, NamedArg{u"Key", u"c"}});
  EXPECT_EQ(dict.Get(u"Count"), Value::I4(3));
  EXPECT_EQ(dict.Get(u"Item", {u"a"}), Value::I2(1));
  EXPECT_EQ(dict.Get(u"Item", {u"b"}), Value(true));
  EXPECT_EQ(dict.Get(u"Item", {u"c"}), Value::I4(70000)) << "named arguments go by name, not order";
  EXPECT_EQ(dict.Get(u"Exists", {u"a"}), Value(true));
  EXPECT_EQ(dict.Get(u"Exists", {u"zz"}), Value(false));
}

TEST_F(Dictionary, PutWithAnArgumentAndVietnameseText) {
  dict.Call(u"Add", {u"k", u"old"});
  dict.PutWith(u"Item", {u"k"}, u"Kết thúc");
  EXPECT_EQ(dict.Get(u"Item", {u"k"}), Value(u"Kết thúc"));
}

TEST_F(Dictionary, KeysAndForEachKeepInsertionOrder) {
  for (auto k : {u"x", u"a", u"m"}) dict.Call(u"Add", {k, Value::I2(0)});
  const Value keys = dict.Call(u"Keys");
  EXPECT_EQ(keys, Value::MakeList({u"x", u"a", u"m"}));
  std::vector<Value> seen;
  auto items = dict.Enumerate();
  while (auto item = items->Next()) seen.push_back(*item);
  EXPECT_EQ(seen, (std::vector<Value>{u"x", u"a", u"m"}));
}

TEST_F(Dictionary, FailuresCarryTheServersErrorNumber) {
  dict.Call(u"Add", {u"a", Value::I2(1)});
  EXPECT_EQ(tbo::ErrorOf([&] { dict.Call(u"Remove", {u"missing"}); }), tbo::ErrorFromCode(0x800A802B));
  EXPECT_EQ(tbo::ErrorOf([&] { dict.Call(u"Add", {u"a", Value::I2(2)}); }), tbo::ErrorFromCode(0x800A01C9));
  EXPECT_EQ(tbo::ErrorOf([&] { dict.Call(u"Add", {u"b"}); }), tbo::kBadParamCount);
  EXPECT_EQ(tbo::ErrorOf([&] { dict.Get(u"NoSuchMember"); }), tbo::kUnknownName);
}

TEST_F(Dictionary, ObjectsTravelAsArgumentsAndComeBackUsable) {
  Ref fso = client.CreateObject({u"Scripting.FileSystemObject", u"FileSystemObject"});
  dict.Call(u"Add", {u"fso", Value(fso)});
  const Ref back = dict.Get(u"Item", {u"fso"}).AsObject();
  EXPECT_EQ(back.Call(u"FolderExists", {u"C:\\windows"}), Value(true));
}

TEST_F(ComClientTest, ReachingServersByProgrammaticIdentifier) {
  EXPECT_EQ(tbo::ErrorOf([&] { client.GetActiveObject({u"Scripting.Dictionary", u"Dictionary"}); }),
            tbo::ErrorFromCode(0x800401E3))
      << "nothing registers a dictionary as running";
  EXPECT_EQ(tbo::ErrorOf([&] { client.CreateObject({u"No.Such.Application", u"No Such"}); }),
            tbo::ErrorFromCode(0x800401F3));
}

TEST_F(ComClientTest, FileSystemObjectFilesEnumerationAndOmittedArguments) {
  const std::u16string dir = TempFolder(L"tbo-fso");
  Ref fso = client.CreateObject({u"Scripting.FileSystemObject", u"FileSystemObject"});
  for (auto name : {u"\\one.txt", u"\\two.txt"}) {
    // CreateTextFile(name, [overwrite] omitted, unicode:=False)
    Ref stream = fso.Call(u"CreateTextFile", {dir + name, Value::Omitted(), false}).AsObject();
    stream.Call(u"Write", {u"x"});
    stream.Call(u"Close");
  }
  std::vector<std::u16string> names;
  auto files = fso.Call(u"GetFolder", {dir}).AsObject().Get(u"Files").AsObject().Enumerate();
  while (auto f = files->Next()) names.push_back(f->AsObject().Get(u"Name").AsString());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"one.txt", u"two.txt"}));
  EXPECT_EQ(fso.Call(u"FileExists", {dir + u"\\one.txt"}), Value(true));
  EXPECT_EQ(tbo::ErrorOf([&] { fso.Call(u"GetFolder", {dir + u"\\missing"}); }),
            tbo::ErrorFromCode(0x800A004C));
}

}  // namespace
