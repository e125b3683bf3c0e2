// The stand-in Office across real COM, through our own client, and the UI
// driver against the fake Setup window. scripts/test registers the stand-ins
// in the test prefix first.
#include <gtest/gtest.h>

#include "error_of.h"

#include <functional>
#include <thread>

#include "app/control_ids.h"
#include "automation/win32/com_client.h"
#include "automation/win32/text.h"
#include "standins/json.h"
#include "standins/store.h"

namespace {

using tbo::NamedArg;
using tbo::Ref;
using tbo::Value;
using tbo::standin::Json;
using tbo::standin::StorePath;


std::wstring Folder(std::wstring path) { return path.substr(0, path.find_last_of(L'\\')); }

// The stand-ins' folder, from their registration.
std::wstring StandinFolder() {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof value;
  ::RegGetValueW(HKEY_LOCAL_MACHINE,
                 L"Software\\Classes\\CLSID\\{7C1D2B31-5A0E-4F6B-9C3E-0B5A1E6D2F01}\\LocalServer32", nullptr,
                 RRF_RT_REG_SZ, nullptr, value, &size);
  std::wstring command(value);
  return Folder(command.substr(1, command.find(L'"', 1) - 1));
}

struct Process {
  tbo::win::UniqueHandle handle;
  DWORD Wait(DWORD ms = INFINITE) const {
    DWORD code = 259;
    if (::WaitForSingleObject(handle.get(), ms) == WAIT_OBJECT_0) ::GetExitCodeProcess(handle.get(), &code);
    return code;
  }
};

Process Start(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return {};
  }
  ::CloseHandle(pi.hThread);
  return Process{tbo::win::UniqueHandle(pi.hProcess)};
}

DWORD Driver(const std::wstring& arguments) {
  return Start(StandinFolder() + L"\\ui_driver.exe", arguments).Wait(120000);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 3000 && !condition(); ++i) ::Sleep(10);
}

class StandIns : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto leaf : {L"journal.jsonl", L"control.json", L"word.json", L"excel.json", L"powerpoint.json",
                      L"hold.reached", L"hold.release"}) {
      ::DeleteFileW(StorePath(leaf).c_str());
    }
  }
  void TearDown() override {
    // Stand-ins left running (visible, or never quit) would serve the next
    // test with this one's state: quit them, and end any that will not go.
    // (Killing alone would leave PowerPoint's class registered in Wine.)
    for (auto progId : {u"Word.Application", u"Excel.Application", u"Powerpoint.Application"}) {
      for (int i = 0; i < 3; ++i) {
        Ref left;
        if (ErrorOf([&] { left = client.GetActiveObject(progId); }) != tbo::kNoError) break;
        ErrorOf([&] { left.Call(u"Quit"); });
      }
    }
    WaitFor([] { return Journal("start").size() == Journal("exit").size(); });
    std::vector<std::int64_t> running;
    for (const Json& line : Journal()) {
      const std::int64_t pid = line.Get("pid").Int();
      if (line.Get("event").Str() == "start") running.push_back(pid);
      if (line.Get("event").Str() == "exit") std::erase(running, pid);
    }
    for (const std::int64_t pid : running) {
      tbo::win::UniqueHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
      if (!p) continue;
      ::TerminateProcess(p.get(), 1);
      ::WaitForSingleObject(p.get(), 10000);
    }
  }

  static void Control(const char* json) { tbo::standin::WriteFileText(StorePath(L"control.json"), json); }
  static void State(const wchar_t* app, const char* json) {
    tbo::standin::WriteFileText(StorePath(std::wstring(app) + L".json"), json);
  }
  static Json StateOf(const wchar_t* app) {
    return tbo::standin::ReadJsonFile(StorePath(std::wstring(app) + L".json"));
  }
  static std::vector<Json> Journal(const std::string& event = "") {
    std::vector<Json> lines;
    const std::string text = tbo::standin::ReadFileText(StorePath(L"journal.jsonl"));
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      Json line = Json::Parse(text.substr(start, end - start));
      if (event.empty() || line.Get("event").Str() == event) lines.push_back(std::move(line));
    }
    return lines;
  }
  static Json LastCall(const std::string& member) {
    Json found;
    for (const Json& line : Journal("call")) {
      if (line.Get("member").Str() == member) found = line;
    }
    return found;
  }
  static std::wstring MakeFile(const wchar_t* leaf) {
    const std::wstring path = StorePath(leaf);
    tbo::standin::WriteFileText(path, "x");
    return path;
  }

  tbo::win::ComApartment com;
  tbo::win::ComClient client;
};

TEST_F(StandIns, WordTemplatesDocumentsAndTheJournalOfEachCall) {
  State(L"word", R"({"templates":["C:\\T\\Normal.dot","C:\\T\\tbadd.dot"]})");
  const std::wstring file = MakeFile(L"Tambrel_O21.dot");
  Ref word = client.CreateObject(u"Word.Application");
  std::vector<std::u16string> names;
  auto templates = word.Get(u"Templates").AsObject().Enumerate();
  while (auto t = templates->Next()) names.push_back(t->AsObject().Get(u"FullName").AsString());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"C:\\T\\Normal.dot", u"C:\\T\\tbadd.dot"}));

  Ref documents = word.Get(u"Documents").AsObject();
  documents.Call(u"Open", {}, {NamedArg{u"FileName", tbo::win::FromWide(file)}});
  EXPECT_EQ(ErrorOf([&] { documents.Call(u"Open", {}, {NamedArg{u"FileName", u"C:\\missing.dot"}}); }),
            tbo::ErrorFromCode(0x800A1436));
  word.Put(u"Visible", true);
  word.Call(u"Quit");
  word.Release();
  templates.reset();
  documents.Release();

  const Json open = LastCall("Open");
  EXPECT_EQ(open.Get("flags").Int(), DISPATCH_METHOD);
  EXPECT_TRUE(open.Get("args").Items().empty());
  EXPECT_EQ(open.Get("named").Get("FileName").Get("vt").Str(), "BSTR");
  EXPECT_EQ(open.Get("error").Str(), "0x800A1436");
  const Json visible = LastCall("Visible");
  EXPECT_EQ(visible.Get("flags").Int(), DISPATCH_PROPERTYPUT);
  EXPECT_EQ(visible.Get("named").Get("DISPID_PROPERTYPUT").Dump(), R"({"vt":"BOOL","value":-1})");
  EXPECT_EQ(LastCall("FullName").Get("class").Str(), "Template");
  EXPECT_FALSE(Journal("names").empty());

  WaitFor([] { return !StateOf(L"word").Get("running").Bool(true); });
  const Json state = StateOf(L"word");
  EXPECT_FALSE(state.Get("running").Bool(true)) << "Quit and the last release end the process";
  EXPECT_TRUE(state.Get("visible").Bool());
  EXPECT_EQ(state.Get("documents").Items().size(), 1u);
}

TEST_F(StandIns, ExcelAddInListOutlivesTheInstance) {
  const std::wstring xla = MakeFile(L"Tambrel_O21.xla");
  {
    Ref excel = client.CreateObject(u"Excel.Application");
    excel.Get(u"AddIns").AsObject().Call(u"Add", {tbo::win::FromWide(xla)});
    excel.Get(u"AddIns", {u"Tambrel_O21"}).AsObject().Put(u"Installed", true);
    EXPECT_EQ(ErrorOf([&] { excel.Get(u"AddIns", {u"tbadd"}); }), tbo::ErrorFromCode(0x8002000B));
    excel.Call(u"Quit");
  }
  Ref excel = client.CreateObject(u"Excel.Application");
  Ref addin = excel.Get(u"AddIns", {u"tambrel_o21"}).AsObject();
  EXPECT_EQ(addin.Get(u"Installed"), Value(true));
  EXPECT_EQ(addin.Get(u"FullName"), Value(tbo::win::FromWide(xla)));
  EXPECT_EQ(Journal("start").size(), 2u) << "one process per creation";
  excel.Call(u"Quit");
}

TEST_F(StandIns, PowerPointCommandBarsAndAddInsPersistAndCaptionLookupIgnoresAmpersand) {
  const std::wstring ppa = MakeFile(L"Tambrel_O21.ppa");
  {
    Ref pp = client.CreateObject(u"Powerpoint.Application");
    Ref bars = pp.Get(u"CommandBars").AsObject();
    Ref toolbar = bars.Call(u"Add", {u"Tambrel Tools", Value::Omitted(), false}).AsObject();
    toolbar.Put(u"Visible", true);
    EXPECT_EQ(ErrorOf([&] { bars.Call(u"Add", {u"Tambrel Tools", Value::Omitted(), false}); }),
              tbo::ErrorFromCode(0x80070057));
    Ref menuBar = pp.Get(u"CommandBars", {u"Menu Bar"}).AsObject();
    Ref menu = menuBar.Get(u"Controls").AsObject().Call(u"Add", {}, {NamedArg{u"Type", Value::I2(10)}}).AsObject();
    menu.Put(u"Caption", u"Tamb&rel Tools");
    Ref entry = menu.Get(u"Controls").AsObject().Call(u"Add").AsObject();
    entry.Put(u"FaceId", Value::I2(2566));
    Ref addin = pp.Get(u"AddIns").AsObject().Call(u"Add", {tbo::win::FromWide(ppa)}).AsObject();
    addin.Put(u"Autoload", true);
    pp.Call(u"Quit");
  }
  Json add;
  for (const Json& line : Journal("call")) {
    if (add.IsNull() && line.Get("class").Str() == "CommandBars" && line.Get("member").Str() == "Add") add = line;
  }
  EXPECT_EQ(add.Get("args").Dump(),
            R"([{"vt":"BSTR","value":"Tambrel Tools"},{"vt":"ERROR","value":"0x80020004"},{"vt":"BOOL","value":0}])");
  EXPECT_EQ(LastCall("FaceId").Get("named").Get("DISPID_PROPERTYPUT").Get("vt").Str(), "I2");

  Ref pp = client.CreateObject(u"Powerpoint.Application");
  Ref found = pp.Get(u"CommandBars", {u"Menu Bar"}).AsObject().Get(u"Controls", {u"Tambrel Tools"}).AsObject();
  EXPECT_EQ(found.Get(u"Caption"), Value(u"Tamb&rel Tools"));
  EXPECT_EQ(pp.Get(u"CommandBars", {u"Tambrel Tools"}).AsObject().Get(u"Visible"), Value(true));
  EXPECT_EQ(pp.Get(u"AddIns").AsObject().Get(u"Count"), Value::I4(1));
  Ref addin = pp.Get(u"AddIns", {Value::I2(1)}).AsObject();
  EXPECT_EQ(addin.Get(u"Autoload"), Value(true));
  EXPECT_EQ(ErrorOf([&] { pp.Get(u"AddIns", {Value::I2(2)}); }), tbo::ErrorFromCode(0x80070057));
  found.Call(u"Delete");
  EXPECT_EQ(ErrorOf([&] { pp.Get(u"CommandBars", {u"Menu Bar"}).AsObject().Get(u"Controls", {u"Tambrel Tools"}); }),
            tbo::ErrorFromCode(0x80070057));
}

TEST_F(StandIns, PowerPointServesEveryClientFromOneProcess) {
  Ref first = client.CreateObject(u"Powerpoint.Application");
  Ref second = client.CreateObject(u"Powerpoint.Application");
  first.Put(u"Visible", true);
  EXPECT_EQ(second.Get(u"Visible"), Value(true));
  EXPECT_EQ(Journal("start").size(), 1u);
  first.Release();
  second.Release();
  // Visible and merely released: still running, and found as such.
  Ref again = client.GetActiveObject(u"Powerpoint.Application");
  EXPECT_EQ(Journal("start").size(), 1u);
}

TEST_F(StandIns, ArgumentErrorsAreThoseOfAnAutomationServer) {
  Ref pp = client.CreateObject(u"Powerpoint.Application");
  EXPECT_EQ(ErrorOf([&] { pp.Get(u"ActivePresentation"); }), tbo::kUnknownName);
  EXPECT_EQ(ErrorOf([&] { pp.Get(u"AddIns").AsObject().Call(u"Add"); }), tbo::kBadParamCount);
  Ref control = pp.Get(u"CommandBars", {u"Menu Bar"}).AsObject().Get(u"Controls").AsObject().Call(u"Add").AsObject();
  EXPECT_EQ(ErrorOf([&] { control.Put(u"FaceId", u"many"); }), tbo::kTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { pp.Call(u"Quit", {true}); }), tbo::kBadParamCount);
  EXPECT_EQ(LastCall("Quit").Get("error").Str(), "0x8002000E");
  pp.Call(u"Quit");
}

TEST_F(StandIns, InjectedErrorFailsTheMemberTheGivenNumberOfTimes) {
  Control(R"({"faults":[{"app":"excel","member":"Add","error":"0x800A03EC","times":2}]})");
  const std::wstring xla = MakeFile(L"a.xla");
  Ref addins = client.CreateObject(u"Excel.Application").Get(u"AddIns").AsObject();
  EXPECT_EQ(ErrorOf([&] { addins.Call(u"Add", {tbo::win::FromWide(xla)}); }), tbo::ErrorFromCode(0x800A03EC));
  EXPECT_EQ(ErrorOf([&] { addins.Call(u"Add", {tbo::win::FromWide(xla)}); }), tbo::ErrorFromCode(0x800A03EC));
  EXPECT_EQ(ErrorOf([&] { addins.Call(u"Add", {tbo::win::FromWide(xla)}); }), tbo::kNoError);
  EXPECT_EQ(LastCall("Add").Get("error").Str(), "0x00000000");
}

TEST_F(StandIns, BusyServerRejectsItsFirstCalls) {
  Control(R"({"busy":[{"app":"word","calls":2}]})");
  tbo::win::ComClient impatient(tbo::win::BusyRetry{0, 0});
  Ref word = impatient.CreateObject(u"Word.Application");
  EXPECT_EQ(ErrorOf([&] { word.Get(u"Visible"); }), tbo::kCallRejected);
  EXPECT_EQ(ErrorOf([&] { word.Get(u"Visible"); }), tbo::kCallRejected);
  EXPECT_EQ(word.Get(u"Visible"), Value(false));
  EXPECT_EQ(Journal("busy").size(), 2u);
  word.Call(u"Quit");
}

TEST_F(StandIns, InstalledReadsTrueForTheGivenNumberOfReadBacks) {
  State(L"excel", R"({"addins":[{"name":"Tambrel_O21","fullName":"C:\\x.xla","installed":true}],
                     "installedStaysTrue":2})");
  Ref excel = client.CreateObject(u"Excel.Application");
  excel.Get(u"AddIns", {u"Tambrel_O21"}).AsObject().Put(u"Installed", false);
  std::vector<Value> reads;
  for (int i = 0; i < 3; ++i) reads.push_back(excel.Get(u"AddIns", {u"Tambrel_O21"}).AsObject().Get(u"Installed"));
  EXPECT_EQ(reads, (std::vector<Value>{true, true, false}));
  excel.Call(u"Quit");
}

TEST_F(StandIns, HeldMemberWaitsForTheRelease) {
  Control(R"({"hold":{"app":"excel","member":"StartupPath"}})");
  State(L"excel", R"({"startupPath":"C:\\Người dùng\\Excel\\XLSTART"})");
  Value got;
  bool done = false;
  std::thread caller([&] {
    tbo::win::ComApartment threadCom;
    tbo::win::ComClient own;
    Ref excel = own.CreateObject(u"Excel.Application");
    got = excel.Get(u"StartupPath");
    done = true;
    excel.Call(u"Quit");
  });
  WaitFor([] { return Exists(StorePath(L"hold.reached")); });
  EXPECT_TRUE(Exists(StorePath(L"hold.reached")));
  EXPECT_FALSE(done);
  tbo::standin::WriteFileText(StorePath(L"hold.release"), "");
  caller.join();
  EXPECT_EQ(got, Value(u"C:\\Người dùng\\Excel\\XLSTART"));
}

TEST_F(StandIns, AttachFindsTheRunningInstanceAndStartsNoSecond) {
  EXPECT_EQ(ErrorOf([&] { client.GetActiveObject(u"Word.Application"); }), tbo::ErrorFromCode(0x800401E3));
  Process running = Start(StandinFolder() + L"\\office_standin.exe", L"word");
  WaitFor([] { return !Journal("start").empty(); });
  Ref word = client.GetActiveObject(u"Word.Application");
  EXPECT_EQ(word.Get(u"Visible"), Value(true)) << "started by the user";
  word.Call(u"Quit");
  EXPECT_EQ(ErrorOf([&] { client.GetActiveObject(u"Word.Application"); }), tbo::ErrorFromCode(0x800401E3))
      << "after Quit it is no longer offered";
  word.Release();
  EXPECT_EQ(running.Wait(30000), 0u) << "Quit and the last release end it";
  EXPECT_EQ(Journal("start").size(), 1u);
  EXPECT_EQ(Journal("exit").size(), 1u);
}

// The UI driver against the fake Setup window, whose Word button makes
// automation calls inside its click handler.
class UiDriver : public StandIns {
 protected:
  void SetUp() override {
    StandIns::SetUp();
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    window = Start(Folder(self) + L"\\fake_setup.exe", L"");
    ASSERT_EQ(Driver(L"wait 30000"), 0u);
  }
  void TearDown() override {
    Driver(L"close");
    window.Wait(30000);
    StandIns::TearDown();
  }
  static Json Read() {
    const std::wstring file = StorePath(L"window.json");
    ::DeleteFileW(file.c_str());
    EXPECT_EQ(Driver(L"read \"" + file + L"\""), 0u);
    return tbo::standin::ReadJsonFile(file);
  }
  static Json ControlOf(const Json& window, const std::string& name) {
    for (const Json& c : window.Get("controls").Items()) {
      if (c.Get("name").Str() == name) return c;
    }
    return {};
  }
  Process window;
};

TEST_F(UiDriver, ReadsControlsCaptionsRectanglesAndFocus) {
  const Json w = Read();
  EXPECT_EQ(w.Get("title").Str(), "Setup");
  EXPECT_TRUE(w.Get("visible").Bool());
  EXPECT_EQ(w.Get("controls").Items().size(), 7u);
  const Json cancel = ControlOf(w, "cmdCancel");
  EXPECT_EQ(cancel.Get("caption").Str(), "&K\xe1\xba\xbft th\xc3\xba\x63");  // "&Kết thúc"
  EXPECT_EQ(cancel.Get("id").Int(), IDC_CMDCANCEL);
  EXPECT_EQ(cancel.Get("class").Str(), "Button");
  EXPECT_TRUE(cancel.Get("focus").Bool());
  EXPECT_EQ(ControlOf(w, "cmdWORD").Get("rect").Dump(), R"({"left":8,"top":94,"right":188,"bottom":120})");
  EXPECT_FALSE(ControlOf(w, "cmdWORD").Get("focus").Bool());
  EXPECT_EQ(Driver(L"key Tab"), 0u);
  EXPECT_TRUE(ControlOf(Read(), "cmdEXCEL").Get("focus").Bool()) << "Tab wraps to the first button";
}

TEST_F(UiDriver, PressWaitsForTheRunAndAClickOnADisabledButtonIsIgnored) {
  Control(R"({"hold":{"app":"word","member":"Templates"}})");
  Process press = Start(StandinFolder() + L"\\ui_driver.exe", L"press word");
  WaitFor([] { return Exists(StorePath(L"hold.reached")); });
  const Json held = Read();
  EXPECT_FALSE(ControlOf(held, "cmdWORD").Get("enabled").Bool(true));
  EXPECT_EQ(ControlOf(held, "lbStatus").Get("caption").Str(), "Installing TB-\xe2\x80\xa6");
  EXPECT_EQ(press.Wait(0), 259u) << "the press is still waiting for the run";
  EXPECT_EQ(Driver(L"click excel"), 0u);
  tbo::standin::WriteFileText(StorePath(L"hold.release"), "");
  EXPECT_EQ(press.Wait(60000), 0u);
  EXPECT_TRUE(ControlOf(Read(), "cmdEXCEL").Get("enabled").Bool());
  EXPECT_FALSE(LastCall("Open").IsNull()) << "the run went on after the hold";
  for (const Json& line : Journal()) EXPECT_NE(line.Get("app").Str(), "excel") << line.Dump();
}

TEST_F(UiDriver, AltKClosesThroughTheAccessKey) {
  EXPECT_EQ(Driver(L"key Alt+K"), 0u);
  EXPECT_EQ(window.Wait(10000), 0u);
}

}  // namespace
namespace {
TEST_F(StandIns, PowerPointStartsAgainAfterQuit) {
  Ref pp = client.CreateObject(u"Powerpoint.Application");
  pp.Call(u"Quit");
  pp.Release();
  Ref again = client.CreateObject(u"Powerpoint.Application");
  again.Put(u"Visible", true);
  EXPECT_EQ(Journal("start").size(), 2u);
  Ref attached = client.GetActiveObject(u"Powerpoint.Application");
  EXPECT_EQ(attached.Get(u"Visible"), Value(true));
}
}  // namespace
