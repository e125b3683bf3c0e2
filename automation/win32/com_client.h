// Reaches automation servers by programmatic identifier.
#pragma once

#include "automation/services.h"
#include "automation/win32/com_object.h"

namespace tbo::win {

class ComClient final : public AutomationClient {
 public:
  explicit ComClient(BusyRetry retry = {}) : retry_(retry) {}
  Ref GetActiveObject(std::u16string_view progId) override;
  Ref CreateObject(std::u16string_view progId) override;

 private:
  BusyRetry retry_;
};

}  // namespace tbo::win
