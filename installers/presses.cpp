#include "installers/presses.h"

#include <algorithm>

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
  NamedGoal goals[2];  // the unused ones without words
};

constexpr PressOperations kPresses[] = {
    {u"Word", TBO_OPERATION(RemoveOldWordTemplates), TBO_OPERATION(InstallWordTemplate),
     {{Goal::TemplateOpened, u"the add-in template opened in Word"}}},
    {u"Excel", TBO_OPERATION(RemoveOldExcelAddIn), TBO_OPERATION(InstallExcelAddIn),
     {{Goal::ExcelAddInAdded, u"the add-in added to Excel"},
      {Goal::ExcelAddInSwitchedOn, u"the add-in switched on in Excel"}}},
    {u"PowerPoint", TBO_OPERATION(RemoveOldPowerPointAddIn), TBO_OPERATION(InstallPowerPointAddIn),
     {{Goal::PowerPointAddInAutoload, u"the add-in added to PowerPoint and loading automatically"}}},
};
#undef TBO_OPERATION

const PressOperations& OperationsOf(Press press) { return kPresses[static_cast<int>(press)]; }

}  // namespace

bool MTBO::Reached(Goal goal) const { return std::find(reached_.begin(), reached_.end(), goal) != reached_.end(); }

std::u16string_view ApplicationOf(Press press) { return OperationsOf(press).application; }

std::vector<std::u16string_view> RunPress(MTBO& mtbo, RunLog& log, Press press) {
  const PressOperations& p = OperationsOf(press);
  mtbo.BeginPress();
  log.BeginPress(p.application);
  for (const NamedOperation& operation : {p.removal, p.installation}) {
    log.BeginOperation(operation.name);
    (mtbo.*operation.run)();
  }
  log.EndPress();
  std::vector<std::u16string_view> missing;
  for (const NamedGoal& g : p.goals) {
    if (g.words && !mtbo.Reached(g.goal)) missing.push_back(g.words);
  }
  return missing;
}

}  // namespace tbo
