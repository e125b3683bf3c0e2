#include "installers/applications.h"

namespace tbo {

const Application* ApplicationNamed(std::u16string_view switchName) {
  for (const Application* a : kApplications) {
    if (a->switchName == switchName) return a;
  }
  return nullptr;
}

const Application* ApplicationOfControl(int controlId) {
  for (const Application* a : kApplications) {
    if (a->controlId == controlId) return a;
  }
  return nullptr;
}

bool IsMissingItem(ErrorNumber e) {
  for (const Application* a : kApplications) {
    if (a->missingItem == e) return true;
  }
  return false;
}

}  // namespace tbo
