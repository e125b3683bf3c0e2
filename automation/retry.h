// Asking again: the one shape of every bounded wait for something that is
// not ready yet (a busy or departing Office, a file still held open).
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

// Runs attempt, which returns an error number, until it succeeds, fails in
// a way again() does not accept, or patience is over; returns its last
// answer. Between tries the window repaints and handles its input.
template <class Attempt, class Again>
ErrorNumber AskAgain(Clock& clock, EventPump& events, Patience patience, Attempt&& attempt, Again&& again) {
  const auto until = clock.Now() + patience.most;
  for (;;) {
    const ErrorNumber answer = attempt();
    if (answer == kNoError || !again(answer) || clock.Now() >= until) return answer;
    events.WaitForEvents(patience.between);
    events.YieldToPending();
  }
}

}  // namespace tbo
