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
}  // namespace MTBO

inline constexpr Goal kTemplateOpened{u"the add-in template opened in Word"};
inline constexpr const Goal* kWordGoals[] = {&kTemplateOpened};

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
    .goals = kWordGoals,
    .uninstallQuits = false,
};

}  // namespace tbo
