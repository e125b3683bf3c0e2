// The resume-on-error policy, case by case.
#include "automation/runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fakes/fakes.h"

namespace {

using tbo::Fail;
using tbo::Runner;
using tbo::Value;

constexpr tbo::ErrorNumber kE1 = tbo::ErrorFromCode(0x800A03EC);
constexpr tbo::ErrorNumber kE2 = tbo::ErrorFromCode(0x80020006);

TEST(Runner, FailingStepKeepsEarlierEffectsSetsPendingAndGoesOn) {
  Runner r;
  std::string trace;
  r.Step([&] {
    trace += "a";
    Fail(kE1);
    trace += "never";
  });
  EXPECT_EQ(r.PendingError(), kE1);
  r.Step([&] { trace += "b"; });
  EXPECT_EQ(trace, "ab");
  EXPECT_EQ(r.PendingError(), kE1) << "a succeeding step leaves the pending error alone";
  r.Step([&] { Fail(kE2); });
  EXPECT_EQ(r.PendingError(), kE2) << "the last failure wins";
  r.ClearError();
  EXPECT_EQ(r.PendingError(), tbo::kNoError);
}

TEST(Runner, AnAssignmentThatDidNotCompleteDoesNotHappen) {
  Runner r;
  std::u16string folder = u"previous";
  auto failingRead = []() -> std::u16string { Fail(kE1); };
  r.Step([&] { folder = failingRead(); });
  EXPECT_EQ(folder, u"previous");
}

TEST(Runner, ConditionalBlock) {
  Runner r;
  std::string trace;
  r.If([] { return false; }, [&] { trace += "false-entered "; });
  r.If([] { return true; }, [&] { trace += "true "; });
  r.If([]() -> bool { Fail(kE1); }, [&] { trace += "failing-test-entered"; });
  EXPECT_EQ(trace, "true failing-test-entered");
  EXPECT_EQ(r.PendingError(), kE1);
}

TEST(Runner, HeadTestedLoopRunsTheBodyWhenItsTestFails) {
  Runner r;
  int tests = 0, bodies = 0;
  r.While(
      [&]() -> bool {
        ++tests;
        if (tests == 1) Fail(kE1);  // fails once, then is false
        return false;
      },
      [&] { ++bodies; });
  EXPECT_EQ(tests, 2);
  EXPECT_EQ(bodies, 1);
}

TEST(Runner, FailingLastStepOfABodyContinuesWithTheLoopsOwnEnd) {
  Runner r;
  int bodies = 0;
  r.While([&] { return bodies < 2; },
          [&] {
            r.Step([&] { ++bodies; });
            r.Step([] { Fail(kE2); });
          });
  EXPECT_EQ(bodies, 2);
}

class RunnerForEach : public ::testing::Test {
 protected:
  fake::Platform p;
  Runner r;
  std::vector<std::string> seen;
  std::shared_ptr<fake::Object> Collection(std::vector<std::string> names) {
    auto c = p.NewObject("templates");
    c->enumerable = true;
    for (const std::string& n : names) {
      auto item = p.NewObject(n);
      item->properties["FullName"] = Value(std::u16string(n.begin(), n.end()));
      c->items.emplace_back(tbo::Ref(item));
    }
    return c;
  }
  void Walk(const std::function<Value()>& fetch) {
    r.ForEach(fetch, [&](const Value& item) {
      r.Step([&] { seen.push_back(item.AsObject().IsEmpty() ? "nothing" : "item"); });
      r.Step([&] { seen.push_back(fake::Ascii(item.AsObject().Get(u"FullName").AsString())); });
    });
  }
};

TEST_F(RunnerForEach, WalksEveryItemInOrder) {
  auto coll = Collection({"A", "B"});
  Walk([&] { return Value(tbo::Ref(coll)); });
  EXPECT_EQ(seen, (std::vector<std::string>{"item", "A", "item", "B"}));
  EXPECT_EQ(r.PendingError(), tbo::kNoError);
}

TEST_F(RunnerForEach, FailingOrUnenumerableFetchRunsTheBodyOnceOnAnItemThatIsNothing) {
  auto notACollection = p.NewObject("app");
  for (const std::function<Value()>& fetch :
       {std::function<Value()>([]() -> Value { Fail(kE1); }),
        std::function<Value()>([&] { return Value(tbo::Ref(notACollection)); })}) {
    seen.clear();
    Walk(fetch);
    EXPECT_EQ(seen, (std::vector<std::string>{"nothing"})) << "the item's member read fails";
    EXPECT_NE(r.PendingError(), tbo::kNoError);
  }
}

TEST_F(RunnerForEach, FailingAdvanceLeavesTheLoopAndAnEmptyCollectionRunsNoBody) {
  auto coll = Collection({"A", "A", "A"});
  coll->enumerationFailsAt = 1;
  Walk([&] { return Value(tbo::Ref(coll)); });
  EXPECT_EQ(seen, (std::vector<std::string>{"item", "A"}));
  EXPECT_EQ(r.PendingError(), tbo::kFail);
  seen.clear();
  auto none = Collection({});
  Walk([&] { return Value(tbo::Ref(none)); });
  EXPECT_TRUE(seen.empty());
}

}  // namespace
