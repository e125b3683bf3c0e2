// The call thread: a call past its limit is given up on time and left to a
// thread of its own; a call is settled once, so one that ends as it is being
// given up counts as answered.
#include "automation/win32/call_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace {

using namespace std::chrono_literals;
using tbo::win::Job;
using tbo::win::UniqueHandle;

// Time that moves on by what each wait asks for, while the thread really
// sleeps a little, so the call thread runs meanwhile. onLook runs at each
// look at the clock.
struct SteppedTime final : tbo::Clock, tbo::EventPump {
  std::chrono::milliseconds now{0};
  std::function<void()> onLook = [] {};
  std::chrono::milliseconds Now() override {
    onLook();
    return now;
  }
  void WaitForEvents(std::chrono::milliseconds most) override {
    now += most;
    ::Sleep(1);
  }
  void YieldToPending() override {}
};

struct Gate {
  UniqueHandle open{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  void Open() { ::SetEvent(open.get()); }
};

// Something a job holds: says on which thread it was let go of.
struct Held {
  explicit Held(std::atomic<DWORD>& releasedOn) : releasedOn(releasedOn) {}
  ~Held() { releasedOn = ::GetCurrentThreadId(); }
  std::atomic<DWORD>& releasedOn;
};

struct Blocked final : Job {
  Blocked(Gate& gate, std::atomic<DWORD>& releasedOn) : gate(gate), held(std::make_unique<Held>(releasedOn)) {}
  HRESULT Run() override {
    ranOn = ::GetCurrentThreadId();
    ::WaitForSingleObject(gate.open.get(), INFINITE);
    finished = true;
    return S_OK;
  }
  Gate& gate;
  std::unique_ptr<Held> held;
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> finished{false};
  std::atomic<bool> unclaimed{false};
  void Unclaimed() override { unclaimed = true; }
};

struct Quick final : Job {
  HRESULT Run() override {
    ranOn = ::GetCurrentThreadId();
    done = true;
    return S_FALSE;
  }
  DWORD ranOn = 0;
  std::atomic<bool> done{false};
};

bool Eventually(const std::function<bool()>& what) {
  for (int i = 0; i < 400 && !what(); ++i) ::Sleep(25);
  return what();
}

TEST(CallThread, AJobPastTheLimitIsGivenUpAndLeftToItsOwnThread) {
  SteppedTime time;
  auto calls = std::make_unique<tbo::win::CallThread>(time, time);
  Gate gate;
  std::atomic<DWORD> releasedOn{0};
  auto blocked = std::make_shared<Blocked>(gate, releasedOn);
  EXPECT_FALSE(calls->Run(blocked, 3000ms)) << "given up";
  EXPECT_GE(time.now, 3000ms);
  EXPECT_LT(time.now, 3000ms + 250ms + 1ms) << "no longer than one look past the limit";

  const auto next = std::make_shared<Quick>();
  EXPECT_EQ(calls->Run(next, 3000ms), S_FALSE);
  ASSERT_TRUE(Eventually([&] { return blocked->ranOn != 0; }));
  EXPECT_NE(next->ranOn, blocked->ranOn) << "the next call runs on a fresh thread";

  const DWORD blockedOn = blocked->ranOn;
  blocked.reset();
  calls.reset();  // returns while the job given up still blocks
  EXPECT_EQ(releasedOn.load(), 0u);
  gate.Open();
  ASSERT_TRUE(Eventually([&] { return releasedOn != 0; }));
  EXPECT_EQ(releasedOn.load(), blockedOn) << "what the job held is let go of on its own thread";
}

TEST(CallThread, ACallThatEndsAsItIsGivenUpCountsAsAnswered) {
  SteppedTime time;
  tbo::win::CallThread calls(time, time);
  Gate gate;
  std::atomic<DWORD> releasedOn{0};
  auto blocked = std::make_shared<Blocked>(gate, releasedOn);
  // The job ends just after the last look for it, as the limit is read.
  time.onLook = [&] {
    if (time.now < 3000ms) return;
    gate.Open();
    Eventually([&] { return blocked->finished.load(); });
    ::Sleep(200);  // it has settled as answered by now
  };
  EXPECT_EQ(calls.Run(blocked, 3000ms), S_OK);
  EXPECT_FALSE(blocked->unclaimed);
}

}  // namespace
