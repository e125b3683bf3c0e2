// Asking again: a departing Office is waited out within a bound, while a
// machine without the application is never waited on.
#include "automation/retry.h"

#include <gtest/gtest.h>

#include <vector>

#include "fakes/fakes.h"

namespace {

using namespace std::chrono_literals;
using tbo::ErrorNumber;

TEST(AskAgain, ADepartingOfficeIsAskedAgainAnAbsentOneIsNot) {
  struct Case {
    const char* what;
    std::vector<ErrorNumber> answers;  // the last one repeats
    bool lingeringSeen;
    ErrorNumber result;
    int tries;
  };
  const Case cases[] = {
      {"refused as stopping, then the race with its exit, then a new instance",
       {tbo::kServerStopping, tbo::kClassNotRegistered, tbo::kCallFailed, tbo::kNoError}, true, tbo::kNoError, 4},
      {"not installed: class not registered fails at once", {tbo::kClassNotRegistered, tbo::kNoError}, false,
       tbo::kClassNotRegistered, 1},
      {"the exit race without a lingering instance is not waited on", {tbo::kServerDiedDne, tbo::kNoError}, false,
       tbo::kServerDiedDne, 1},
      {"stopping for ever: given up after 5 s", {tbo::kServerStopping}, true, tbo::kServerStopping, 51},
      {"another failure ends it", {tbo::kServerStopping, tbo::kAccessDenied, tbo::kNoError}, true, tbo::kAccessDenied,
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Events events;
    size_t tries = 0;
    const ErrorNumber result = tbo::AskAgain(
        events, events, {5000ms, 100ms}, [&] { return c.answers[std::min(tries++, c.answers.size() - 1)]; },
        [&](ErrorNumber e) { return tbo::IsStoppingAfterLinger(e, c.lingeringSeen); });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(tries, static_cast<size_t>(c.tries));
    EXPECT_EQ(events.yields, c.tries - 1) << "the window is kept alive between tries";
  }
}

}  // namespace
