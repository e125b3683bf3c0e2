// Reaches automation servers by programmatic identifier.
#pragma once

#include "automation/services.h"
#include "automation/win32/com_object.h"

namespace tbo::win {

// An Office that was just told to quit lingers for a while: its running
// instance can still be found but answers nothing, and its class factory
// refuses creations as stopping. Both are asked again, yielding between
// tries, for at most this long.
struct ShutdownWait {
  DWORD totalMs = 5000;
  DWORD intervalMs = 100;
};

class ComClient final : public AutomationClient {
 public:
  explicit ComClient(EventPump& events, BusyRetry retry = {}, ShutdownWait shutdown = {})
      : events_(events), retry_(retry), shutdown_(shutdown) {}
  Ref GetActiveObject(std::u16string_view progId) override;
  Ref CreateObject(std::u16string_view progId) override;

 private:
  template <class Try>
  Ref WhileShuttingDown(Try&& attempt);

  EventPump& events_;
  BusyRetry retry_;
  ShutdownWait shutdown_;
};

}  // namespace tbo::win
