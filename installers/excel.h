// Excel: the add-in workbook installer, a unit of its own.
#pragma once

#include "installers/application.h"

namespace tbo {
namespace MTBO {
void RemoveOldExcelAddIn(PressContext& press);
void InstallExcelAddIn(PressContext& press);
void UninstallExcelAddIn(PressContext& press);
void CheckExcelAddIn(PressContext& press);
}  // namespace MTBO

inline constexpr Goal kExcelAddInAdded{u"the add-in added to Excel"};
inline constexpr Goal kExcelAddInSwitchedOn{u"the add-in switched on in Excel"};
// Taken out: read back switched off in Excel, or not listed there.
inline constexpr Goal kExcelAddInOff{u"the add-in switched off in Excel"};
inline constexpr const Goal* kExcelGoals[] = {&kExcelAddInAdded, &kExcelAddInSwitchedOn};
inline constexpr const Goal* kExcelGoalsOut[] = {&kExcelAddInOff};

inline constexpr Application kExcel{
    .name = u"Excel",
    .switchName = u"excel",
    .progId = u"Excel.Application",
    .caption = u"Microsoft Excel",
    .controlName = u"cmdEXCEL",
    .controlId = 102,
    .buttonSlot = 0,
    .missingItem = ErrorFromCode(0x8002000B),
    .openFiles = u"Workbooks",
    .openFile = u"workbook",
    .remove = TBO_OPERATION(RemoveOldExcelAddIn),
    .install = TBO_OPERATION(InstallExcelAddIn),
    .uninstall = TBO_OPERATION(UninstallExcelAddIn),
    .check = TBO_OPERATION(CheckExcelAddIn),
    .goals = kExcelGoals,
    .goalsOut = kExcelGoalsOut,
    .checked = kExcelGoals,
};

}  // namespace tbo
