// The module MTBO: for each Office application a removal operation, which
// clears what older versions of the add-in left behind, and an installation
// operation, which hooks the current add-in in. Every operation runs its
// numbered steps under the resume-on-error policy and always returns.
#pragma once

#include <string>
#include <vector>

#include "automation/operation.h"
#include "automation/runner.h"
#include "automation/services.h"
#include "automation/value.h"

namespace tbo {

// What a press must achieve for its application to count as set up.
enum class Goal {
  TemplateOpened,           // Word
  ExcelAddInAdded,          // Excel
  ExcelAddInSwitchedOn,     // Excel
  PowerPointAddInAutoload,  // PowerPoint: added, and loading automatically
  PowerPointToolbarBuilt,   // PowerPoint: the toolbar with every entry
  PowerPointMenuBuilt,      // PowerPoint: the menu with every entry
  ExcelAddInOff,            // taken out: read back switched off in Excel, or not listed there
  PowerPointAddInOut,       // taken out: no longer listed in PowerPoint
  PowerPointBarsGone,       // taken out: none of the product's toolbars and menus left
};

struct Application;

class MTBO {
 public:
  // observer hears of every step of every operation.
  MTBO(const Platform& platform, StepObserver& observer) : platform_(platform), observer_(observer) {}

  // Before each press: an application that stopped answering in the last
  // press may be tried again, and no goal is reached yet.
  void BeginPress();
  bool Reached(Goal goal) const;

  // Before an unattended press: whether the application is installed here,
  // and why a running instance of it is the user's ("Word is open (1
  // document)"): one on screen, or holding something open. "" when none
  // runs, or the one that runs is no one's work.
  bool Installed(const Application& application) const;
  std::u16string InUse(const Application& application);

  void RemoveOldWordTemplates();
  void InstallWordTemplate();
  void RemoveOldExcelAddIn();
  void InstallExcelAddIn();
  void RemoveOldPowerPointAddIn();
  void InstallPowerPointAddIn();

  // Taking the add-in out again, as far as automation can.
  void UninstallWordTemplate();
  void UninstallExcelAddIn();
  void UninstallPowerPointAddIn();

  // The product's toolbar and menu inside a running PowerPoint. The builder
  // passes over failing steps; AddStandardButtons stops at its first failure
  // and throws it to the caller, having counted the entries it added.
  void BuildTambrelMenus(const Ref& app);
  static void AddStandardButtons(const Ref& target, int& added);

  // Shared by the Excel and PowerPoint operations; they live as long as the
  // program and keep their value from one press to the next.
  std::u16string foundFileName;
  std::u16string appFolder;

 private:
  void Reach(Goal goal) { reached_.push_back(goal); }
  // An operation that reports to the press's observer and knows the
  // applications' answers for an item they do not have.
  Operation NewOperation() const;
  // The product's toolbars and menus, current and old, deleted where they are.
  static void DeleteTambrelToolbars(Operation& op, const Ref& app);
  static void DeleteTambrelMenus(Operation& op, const Ref& app);
  // Whether any of them is still there (throws when PowerPoint cannot say).
  static bool HasTambrelBars(const Ref& app);

  Platform platform_;
  StepObserver& observer_;
  std::vector<Goal> reached_;
};

}  // namespace tbo
