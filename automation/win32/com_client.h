// Reaches automation servers by programmatic identifier.
#pragma once

#include <memory>

#include "automation/retry.h"
#include "automation/services.h"
#include "automation/win32/com_object.h"

namespace tbo::win {

class ComClient final : public AutomationClient {
 public:
  // An Office that was just told to quit lingers: its running instance is
  // still listed but answers nothing, and creations are refused as stopping.
  // Both are asked again for at most this long.
  static constexpr Patience kShutdownWait{std::chrono::milliseconds(5000), std::chrono::milliseconds(100)};

  // limit: how long one call may take before it is given up (kNoLimit: as
  // long as it takes).
  ComClient(Clock& clock, EventPump& events, std::chrono::milliseconds limit = kNoLimit,
            Patience shutdown = kShutdownWait)
      : caller_(clock, events, limit), shutdown_(shutdown) {}
  Ref GetActiveObject(const ServerName& server) override;
  Ref CreateObject(const ServerName& server) override;
  bool Knows(const ServerName& server) override;
  void NewPress() override { caller_.ForgetSilent(); }
  void SetDeadline(Deadline deadline) { caller_.SetDeadline(deadline); }

 private:
  Ref Reached(ComPtr<IDispatch> dispatch, Instance& instance);

  Caller caller_;
  Patience shutdown_;
  // The last look for a running instance found one that no longer answers.
  bool lingeringSeen_ = false;
};

}  // namespace tbo::win
