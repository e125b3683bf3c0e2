// Where a run finds itself, read from the token, the session and the window
// station: a person's run under Wine is in the signed-in user's context.
#include "automation/win32/run_context.h"

#include <gtest/gtest.h>

#include "installers/run.h"

namespace {

TEST(RunContext, APersonsRunIsTheSignedInUsers) {
  const tbo::Context here = tbo::win::CurrentContext();
  EXPECT_FALSE(here.serviceAccount);
  EXPECT_NE(here.session, 0u);
  EXPECT_TRUE(here.interactiveDesktop);
  EXPECT_EQ(tbo::RefusalOf(here), u"");
}

}  // namespace
