// The Office applications as the operations reach them: by programmatic
// identifier, the reference named for the log, and the add-in's own names.
#pragma once

#include <string_view>

#include "automation/value.h"

namespace tbo {

inline constexpr std::u16string_view kWord = u"Word.Application";
inline constexpr std::u16string_view kExcel = u"Excel.Application";
inline constexpr std::u16string_view kPowerPoint = u"Powerpoint.Application";

inline constexpr Stands kWordApp{u"Word", u"reached"};
inline constexpr Stands kExcelApp{u"Excel", u"reached"};
inline constexpr Stands kPowerPointApp{u"PowerPoint", u"reached"};

// The name Excel and PowerPoint list the current add-in under.
inline constexpr std::u16string_view kAddInName = u"Tambrel_O21";

// The current add-in as the application lists it, looked up afresh.
inline Ref TheAddIn(const Ref& app) { return app.Get(u"AddIns", {kAddInName}).AsObject(); }

}  // namespace tbo
