// The module MTBO: for each Office application a removal operation, which
// clears what older versions of the add-in left behind, and an installation
// operation, which hooks the current add-in in. Every operation runs its
// numbered steps under the resume-on-error policy and always returns.
#pragma once

#include <string>

#include "automation/runner.h"
#include "automation/services.h"
#include "automation/value.h"

namespace tbo {

class MTBO {
 public:
  // observer hears of every step of every operation.
  MTBO(const Platform& platform, StepObserver& observer) : platform_(platform), observer_(observer) {}

  // Before each press: an application that stopped answering in the last
  // press may be tried again.
  void BeginPress() { platform_.automation.NewPress(); }

  void RemoveOldWordTemplates();
  void InstallWordTemplate();
  void RemoveOldExcelAddIn();
  void InstallExcelAddIn();
  void RemoveOldPowerPointAddIn();
  void InstallPowerPointAddIn();

  // The product's toolbar and menu inside a running PowerPoint. The builder
  // passes over failing steps; AddStandardButtons stops at its first failure
  // and throws it to the caller.
  void BuildTambrelMenus(const Ref& app);
  static void AddStandardButtons(const Ref& target);

  // Shared by the Excel and PowerPoint operations; they live as long as the
  // program and keep their value from one press to the next.
  std::u16string foundFileName;
  std::u16string appFolder;

 private:
  Platform platform_;
  StepObserver& observer_;
};

}  // namespace tbo
