// Reaches automation servers by programmatic identifier.
#pragma once

#include "automation/retry.h"
#include "automation/services.h"
#include "automation/win32/com_object.h"

namespace tbo::win {

class ComClient final : public AutomationClient {
 public:
  // An Office that was just told to quit lingers: its running instance is
  // still listed but answers nothing, and creations are refused as stopping.
  // Both are asked again for at most `shutdown`.
  static constexpr Patience kShutdownWait{std::chrono::milliseconds(5000), std::chrono::milliseconds(100)};

  ComClient(Clock& clock, EventPump& events, Patience shutdown = kShutdownWait)
      : caller_(clock, events), shutdown_(shutdown) {}
  Ref GetActiveObject(std::u16string_view progId) override;
  Ref CreateObject(std::u16string_view progId) override;

 private:
  Caller caller_;
  Patience shutdown_;
  // The last look for a running instance found one that no longer answers.
  bool lingeringSeen_ = false;
};

}  // namespace tbo::win
