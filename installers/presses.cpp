#include "installers/presses.h"

namespace tbo {
namespace {

struct NamedOperation {
  void (MTBO::*run)();
  const char16_t* name;
};
// The operation and its name for the log, spelled once.
#define TBO_OPERATION(member) NamedOperation{&MTBO::member, u"" #member}

struct PressOperations {
  const char16_t* application;
  NamedOperation removal, installation;
};

constexpr PressOperations kPresses[] = {
    {u"Word", TBO_OPERATION(RemoveOldWordTemplates), TBO_OPERATION(InstallWordTemplate)},
    {u"Excel", TBO_OPERATION(RemoveOldExcelAddIn), TBO_OPERATION(InstallExcelAddIn)},
    {u"PowerPoint", TBO_OPERATION(RemoveOldPowerPointAddIn), TBO_OPERATION(InstallPowerPointAddIn)},
};
#undef TBO_OPERATION

const PressOperations& OperationsOf(Press press) { return kPresses[static_cast<int>(press)]; }

}  // namespace

std::u16string_view ApplicationOf(Press press) { return OperationsOf(press).application; }

void RunPress(MTBO& mtbo, RunLog& log, Press press) {
  const PressOperations& p = OperationsOf(press);
  mtbo.BeginPress();
  log.BeginPress(p.application);
  for (const NamedOperation& operation : {p.removal, p.installation}) {
    log.BeginOperation(operation.name);
    (mtbo.*operation.run)();
  }
  log.EndPress();
}

}  // namespace tbo
