#include "automation/runner.h"

namespace tbo {

StepObserver& StepObserver::None() {
  static StepObserver none;
  return none;
}

Found Runner::Run(FunctionRef<void()> step, std::u16string_view thing) {
  try {
    step();
    return Found::Yes;
  } catch (const AutomationError& e) {
    return Failed(e, thing);
  } catch (const std::exception&) {
    return Failed(AutomationError(kUnexpected), thing);
  }
}

Found Runner::Failed(const AutomationError& e, std::u16string_view thing) {
  pending_ = e.number();
  // Only a look-up that found nothing is news; any other failure of it is one.
  if (!thing.empty() && missing_ && missing_(pending_)) {
    observer_.NotThere(thing);
    return Found::NotThere;
  }
  ++failures_;
  observer_.StepFailed(e);
  return Found::Failed;
}

}  // namespace tbo
