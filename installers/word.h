// Word: the add-in template installer, a unit of its own.
#pragma once

#include "installers/application.h"

namespace tbo {
namespace MTBO {
void RemoveOldWordTemplates(PressContext& press);
void InstallWordTemplate(PressContext& press);
// Taking the add-in out: the press only opened the template, so there is
// nothing of Word to undo; it says what stays.
void UninstallWordTemplate(PressContext& press);
// Word keeps nothing of the press that a check could read: whether it lists
// the template is told, never a reason to press again.
void CheckWordTemplate(PressContext& press);
}  // namespace MTBO

inline constexpr Goal kTemplateOpened{u"the add-in template opened in Word"};
inline constexpr Goal kTemplatePresent{u"the add-in template in C:\\Tambrel\\"};
inline constexpr const Goal* kWordGoals[] = {&kTemplateOpened};
inline constexpr const Goal* kWordChecked[] = {&kTemplatePresent};

inline constexpr Application kWord{
    .name = u"Word",
    .switchName = u"word",
    .progId = u"Word.Application",
    .caption = u"Microsoft Word",
    .controlName = u"cmdWORD",
    .controlId = 103,
    .buttonSlot = 1,
    .missingItem = ErrorFromCode(0x800A1735),
    .openFiles = u"Documents",
    .openFile = u"document",
    .remove = TBO_OPERATION(RemoveOldWordTemplates),
    .install = TBO_OPERATION(InstallWordTemplate),
    .uninstall = TBO_OPERATION(UninstallWordTemplate),
    .check = TBO_OPERATION(CheckWordTemplate),
    .goals = kWordGoals,
    .checked = kWordChecked,
    .lastsInOffice = false,
    .uninstallQuits = false,
};

}  // namespace tbo
