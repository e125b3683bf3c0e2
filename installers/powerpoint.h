// PowerPoint: the add-in installer, with the product's toolbar and menu, a
// unit of its own (powerpoint.cpp, menus.cpp).
#pragma once

#include "installers/application.h"
#include "installers/excel.h"

namespace tbo {
namespace MTBO {
void RemoveOldPowerPointAddIn(PressContext& press);
void InstallPowerPointAddIn(PressContext& press);
void UninstallPowerPointAddIn(PressContext& press);
void CheckPowerPointAddIn(PressContext& press);

// The product's toolbar and menu inside a running PowerPoint. The builder
// passes over failing steps; AddStandardButtons stops at its first failure
// and throws it to the caller, having counted the entries it added.
void BuildTambrelMenus(PressContext& press, const Ref& app);
void AddStandardButtons(const Ref& target, int& added);
// The product's toolbars and menus, current and old, deleted where they are.
void DeleteTambrelToolbars(Operation& op, const Ref& app);
void DeleteTambrelMenus(Operation& op, const Ref& app);
// Whether any of them is still there (throws when PowerPoint cannot say).
bool HasTambrelBars(const Runner& op, const Ref& app);
// Reaches the goals of the toolbar and the menu that read back as built.
void CheckTambrelMenus(PressContext& press, Operation& op, const Ref& app);
}  // namespace MTBO

inline constexpr Goal kPowerPointToolbarBuilt{u"the toolbar Tambrel Tools built"};
inline constexpr Goal kPowerPointMenuBuilt{u"the menu Tamb&rel Tools built"};
inline constexpr Goal kPowerPointAddInAutoload{u"the add-in added to PowerPoint and loading automatically"};
inline constexpr Goal kPowerPointAddInOut{u"the add-in taken off PowerPoint's list"};
inline constexpr Goal kPowerPointBarsGone{u"the toolbar and menu Tambrel Tools deleted"};
inline constexpr const Goal* kPowerPointGoals[] = {&kPowerPointToolbarBuilt, &kPowerPointMenuBuilt,
                                                   &kPowerPointAddInAutoload};
inline constexpr const Goal* kPowerPointGoalsOut[] = {&kPowerPointAddInOut, &kPowerPointBarsGone};

inline constexpr Application kPowerPoint{
    .name = u"PowerPoint",
    .switchName = u"powerpoint",
    .progId = u"Powerpoint.Application",
    .caption = u"Microsoft PowerPoint",
    .controlName = u"cmdPOINT",
    .controlId = 104,
    .buttonSlot = 2,
    .missingItem = ErrorFromCode(0x80070057),
    .openFiles = u"Presentations",
    .openFile = u"presentation",
    .remove = TBO_OPERATION(RemoveOldPowerPointAddIn),
    .install = TBO_OPERATION(InstallPowerPointAddIn),
    .uninstall = TBO_OPERATION(UninstallPowerPointAddIn),
    .check = TBO_OPERATION(CheckPowerPointAddIn),
    .goals = kPowerPointGoals,
    .goalsOut = kPowerPointGoalsOut,
    .checked = kPowerPointGoals,
    // Its press learns the Office user folder from Excel, and quits it.
    .alsoReaches = &kExcel,
};

}  // namespace tbo
