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
