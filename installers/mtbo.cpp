#include "installers/mtbo.h"

#include <algorithm>

#include "installers/applications.h"

namespace tbo {

void MTBO::BeginPress() {
  platform_.automation.NewPress();
  reached_.clear();
}

bool MTBO::Reached(Goal goal) const { return std::find(reached_.begin(), reached_.end(), goal) != reached_.end(); }

Operation MTBO::NewOperation() const { return Operation(platform_, observer_, &IsMissingItem); }

}  // namespace tbo
