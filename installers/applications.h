// The Office applications, one row each, each in its own unit: what the
// command line, the usage text, the window's buttons, the presses and the
// log know of an application is read from its row. Adding an application is
// adding its unit and a line here.
#pragma once

#include <span>
#include <string_view>

#include "installers/application.h"
#include "installers/excel.h"
#include "installers/powerpoint.h"
#include "installers/word.h"

namespace tbo {

// In the order that is safe to press them in: the PowerPoint press quits the
// Excel it reaches, so Excel, whose press leaves a window open for the
// user, comes last.
inline constexpr const Application* kApplications[] = {&kWord, &kPowerPoint, &kExcel};

// The row of "/word"'s name, or of a button; null for none.
const Application* ApplicationNamed(std::u16string_view switchName);
const Application* ApplicationOfControl(int controlId);

// Whether an error number is an application's answer to a look-up of an
// item it does not have.
bool IsMissingItem(ErrorNumber e);

}  // namespace tbo
