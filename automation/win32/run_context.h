// Where this run finds itself: the account, the session, the desktop.
#pragma once

#include "automation/services.h"

namespace tbo::win {

Context CurrentContext();

}  // namespace tbo::win
