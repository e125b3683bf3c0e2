// Waiting and asking again: the one shape of every bounded wait for
// something that is not ready yet (a call on its thread, a busy or departing
// Office, a file still held open, an add-in that reads on).
#pragma once

#include <chrono>

#include "automation/errors.h"
#include "automation/services.h"

namespace tbo {

// Long enough to be no limit at all: a person at the machine may take
// their time.
inline constexpr std::chrono::milliseconds kNoLimit = std::chrono::hours(24 * 365);

// The moment after which a run starts nothing more, on a steady clock;
// none when made without a clock.
class Deadline {
 public:
  Deadline() = default;
  // `after` from `start` (the run's own start).
  Deadline(Clock& clock, std::chrono::milliseconds start, std::chrono::milliseconds after)
      : clock_(&clock), at_(start + after) {}
  bool Passed() const { return clock_ && clock_->Now() >= at_; }
  // What is left of it, never less than nothing; all the time there is
  // when there is none.
  std::chrono::milliseconds Left() const {
    if (!clock_) return kNoLimit;
    const auto now = clock_->Now();
    return now >= at_ ? std::chrono::milliseconds(0) : at_ - now;
  }

 private:
  Clock* clock_ = nullptr;
  std::chrono::milliseconds at_{0};
};

struct Patience {
  std::chrono::milliseconds most;     // from the first try
  std::chrono::milliseconds between;  // the window is kept alive meanwhile
};

// Waits until ready() says so or patience is over; whether it did. Between
// looks the thread sleeps until input arrives for the window or `between`
// has passed, and the window repaints and handles its input.
template <class Ready>
bool WaitUntil(Clock& clock, EventPump& events, Patience patience, Ready&& ready) {
  const auto until = clock.Now() + patience.most;
  for (;;) {
    if (ready()) return true;
    if (clock.Now() >= until) return false;
    events.WaitForEvents(patience.between);
    events.YieldToPending();
  }
}

// Runs attempt, which returns an error number, until it succeeds, fails in
// a way again() does not accept, or patience is over; returns its last
// answer.
template <class Attempt, class Again>
ErrorNumber AskAgain(Clock& clock, EventPump& events, Patience patience, Attempt&& attempt, Again&& again) {
  ErrorNumber answer = kNoError;
  WaitUntil(clock, events, patience, [&] {
    answer = attempt();
    return answer == kNoError || !again(answer);
  });
  return answer;
}

}  // namespace tbo
