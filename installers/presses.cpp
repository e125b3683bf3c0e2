#include "installers/presses.h"

#include <algorithm>
#include <span>

namespace tbo {
namespace {

struct NamedOperation {
  void (MTBO::*run)();
  const char16_t* name;
};
// The operation and its name for the log, spelled once.
#define TBO_OPERATION(member) NamedOperation{&MTBO::member, u"" #member}

struct NamedGoal {
  Goal goal;
  const char16_t* words;
};

struct PressOperations {
  const char16_t* application;
  NamedOperation removal, installation;
  NamedGoal goals[3];  // the unused ones without words
  NamedOperation uninstallation;
  NamedGoal out[2];  // what taking the add-in out must achieve
};

constexpr PressOperations kPresses[] = {
    {u"Word", TBO_OPERATION(RemoveOldWordTemplates), TBO_OPERATION(InstallWordTemplate),
     {{Goal::TemplateOpened, u"the add-in template opened in Word"}}, TBO_OPERATION(UninstallWordTemplate), {}},
    {u"Excel", TBO_OPERATION(RemoveOldExcelAddIn), TBO_OPERATION(InstallExcelAddIn),
     {{Goal::ExcelAddInAdded, u"the add-in added to Excel"},
      {Goal::ExcelAddInSwitchedOn, u"the add-in switched on in Excel"}},
     TBO_OPERATION(UninstallExcelAddIn), {{Goal::ExcelAddInOff, u"the add-in switched off in Excel"}}},
    {u"PowerPoint", TBO_OPERATION(RemoveOldPowerPointAddIn), TBO_OPERATION(InstallPowerPointAddIn),
     {{Goal::PowerPointToolbarBuilt, u"the toolbar Tambrel Tools built"},
      {Goal::PowerPointMenuBuilt, u"the menu Tamb&rel Tools built"},
      {Goal::PowerPointAddInAutoload, u"the add-in added to PowerPoint and loading automatically"}},
     TBO_OPERATION(UninstallPowerPointAddIn),
     {{Goal::PowerPointAddInOut, u"the add-in taken off PowerPoint's list"},
      {Goal::PowerPointBarsGone, u"the toolbar and menu Tambrel Tools deleted"}}},
};
#undef TBO_OPERATION

const PressOperations& OperationsOf(Press press) { return kPresses[static_cast<int>(press)]; }

}  // namespace

bool MTBO::Reached(Goal goal) const { return std::find(reached_.begin(), reached_.end(), goal) != reached_.end(); }

std::u16string_view ApplicationOf(Press press) { return OperationsOf(press).application; }

std::vector<std::u16string_view> RunPress(MTBO& mtbo, RunLog& log, Press press, bool uninstall) {
  const PressOperations& p = OperationsOf(press);
  mtbo.BeginPress();
  log.BeginPress(p.application, uninstall ? u"uninstall" : u"press");
  const auto run = [&](const NamedOperation& operation) {
    log.BeginOperation(operation.name);
    (mtbo.*operation.run)();
  };
  if (uninstall) {
    run(p.uninstallation);
  } else {
    run(p.removal);
    run(p.installation);
  }
  log.EndPress();
  std::vector<std::u16string_view> missing;
  for (const NamedGoal& g : uninstall ? std::span<const NamedGoal>(p.out) : std::span<const NamedGoal>(p.goals)) {
    if (g.words && !mtbo.Reached(g.goal)) missing.push_back(g.words);
  }
  return missing;
}

}  // namespace tbo
