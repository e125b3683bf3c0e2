// The platform services as the log sees them: the same services, each
// failing call carrying what it attempted, in words, and each object telling
// how it was reached; files deleted or set aside and programs started are
// told to the log as they happen.
#pragma once

#include <memory>

#include "automation/run_log.h"
#include "automation/services.h"

namespace tbo {

class LoggedPlatform {
 public:
  LoggedPlatform(const Platform& inner, RunLog& log);
  ~LoggedPlatform();
  LoggedPlatform(const LoggedPlatform&) = delete;
  LoggedPlatform& operator=(const LoggedPlatform&) = delete;
  Platform services();

 private:
  struct Services;
  std::unique_ptr<Services> services_;
};

}  // namespace tbo
