// One run at a time: the turn is ours only when the lock says so.
#include "automation/win32/one_run.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(OneRunLock, OursOnlyWhenTheLockSaysSo) {
  {
    tbo::win::OneRunLock first(L"Local\\tbo-one-run-test");
    EXPECT_TRUE(first.Take(0ms));
    bool second = true;
    std::thread([&] { second = tbo::win::OneRunLock(L"Local\\tbo-one-run-test").Take(100ms); }).join();
    EXPECT_FALSE(second) << "held by another run";
  }
  bool after = false;
  std::thread([&] { after = tbo::win::OneRunLock(L"Local\\tbo-one-run-test").Take(0ms); }).join();
  EXPECT_TRUE(after) << "free again once the first has ended";

  // A lock that cannot be made (the name is taken by another kind of
  // object) is another run going on, never ours.
  const tbo::win::UniqueHandle squatter(::CreateEventW(nullptr, TRUE, FALSE, L"Local\\tbo-one-run-squatted"));
  ASSERT_TRUE(squatter);
  EXPECT_FALSE(tbo::win::OneRunLock(L"Local\\tbo-one-run-squatted").Take(1500ms));
}

}  // namespace
