// The Office applications, a row each: what the command line, the usage
// text, the window's buttons, the presses and the log know of an
// application is read from its row. Adding an application is adding a row
// (and its installer).
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "automation/errors.h"
#include "automation/services.h"
#include "installers/mtbo.h"

namespace tbo {

// An operation of MTBO, and its name for the log.
struct NamedOperation {
  void (MTBO::*run)();
  const char16_t* name;
};
#define TBO_OPERATION(member) NamedOperation{&MTBO::member, u"" #member}

// What a press must achieve, and its words in the log.
struct NamedGoal {
  Goal goal;
  const char16_t* words;
};

struct Application {
  const char16_t* name;         // "Word": in the log, the record and the usage text
  const char16_t* switchName;   // "word", for /word
  const char16_t* progId;       // "Word.Application"
  const char16_t* caption;      // "Microsoft Word": its button's, read back for the status line
  const char16_t* controlName;  // "cmdWORD"
  int controlId;
  int buttonTop;                // twips; the buttons are laid out and tabbed from the top down
  Stands reference;             // an empty reference to it, as the log names it
  ErrorNumber missingItem;      // how it answers a look-up of an item it does not have
  ErrorNumber notInstalled;     // how the system answers for it when it is not installed
  NamedOperation remove, install, uninstall;
  std::span<const NamedGoal> goals;     // what its press must achieve
  std::span<const NamedGoal> goalsOut;  // what taking the add-in out must achieve
  const char16_t* openFiles;            // the collection of what the user has open in it: "Documents"
  const char16_t* openFile;             // one of them, in the log's words: "document"
  const char16_t* alsoReaches;          // another application its press quits (switch name), or null
  bool uninstallQuits;                  // taking the add-in out asks it to quit
  // What its press sets up: the add-in's name and a revision, raised only
  // when the press changes in a way users must get again (an unattended
  // run presses every user whose record names another).
  const char16_t* generation;

  ServerName server() const { return {progId, name}; }
};

inline constexpr NamedGoal kWordGoals[] = {{Goal::TemplateOpened, u"the add-in template opened in Word"}};
inline constexpr NamedGoal kExcelGoals[] = {{Goal::ExcelAddInAdded, u"the add-in added to Excel"},
                                            {Goal::ExcelAddInSwitchedOn, u"the add-in switched on in Excel"}};
inline constexpr NamedGoal kExcelGoalsOut[] = {{Goal::ExcelAddInOff, u"the add-in switched off in Excel"}};
inline constexpr NamedGoal kPowerPointGoals[] = {
    {Goal::PowerPointToolbarBuilt, u"the toolbar Tambrel Tools built"},
    {Goal::PowerPointMenuBuilt, u"the menu Tamb&rel Tools built"},
    {Goal::PowerPointAddInAutoload, u"the add-in added to PowerPoint and loading automatically"}};
inline constexpr NamedGoal kPowerPointGoalsOut[] = {
    {Goal::PowerPointAddInOut, u"the add-in taken off PowerPoint's list"},
    {Goal::PowerPointBarsGone, u"the toolbar and menu Tambrel Tools deleted"}};

// In the order that is safe to run them in: the PowerPoint press quits the
// Excel it reaches, so Excel, whose press leaves a window open for the
// user, comes last.
inline constexpr std::array<Application, 3> kApplications{{
    {u"Word", u"word", u"Word.Application", u"Microsoft Word", u"cmdWORD", 103, 1560, {u"Word", u"reached"},
     ErrorFromCode(0x800A1735), kNotInstalled, TBO_OPERATION(RemoveOldWordTemplates),
     TBO_OPERATION(InstallWordTemplate), TBO_OPERATION(UninstallWordTemplate), kWordGoals, {}, u"Documents",
     u"document", nullptr, false, u"Tambrel_O21/1"},
    {u"PowerPoint", u"powerpoint", u"Powerpoint.Application", u"Microsoft PowerPoint", u"cmdPOINT", 104, 2040,
     {u"PowerPoint", u"reached"}, ErrorFromCode(0x80070057), kNotInstalled, TBO_OPERATION(RemoveOldPowerPointAddIn),
     TBO_OPERATION(InstallPowerPointAddIn), TBO_OPERATION(UninstallPowerPointAddIn), kPowerPointGoals,
     kPowerPointGoalsOut, u"Presentations", u"presentation", u"excel", true, u"Tambrel_O21/1"},
    {u"Excel", u"excel", u"Excel.Application", u"Microsoft Excel", u"cmdEXCEL", 102, 1080, {u"Excel", u"reached"},
     ErrorFromCode(0x8002000B), kNotInstalled, TBO_OPERATION(RemoveOldExcelAddIn), TBO_OPERATION(InstallExcelAddIn),
     TBO_OPERATION(UninstallExcelAddIn), kExcelGoals, kExcelGoalsOut, u"Workbooks", u"workbook", nullptr, true,
     u"Tambrel_O21/1"},
}};
#undef TBO_OPERATION

// The rows the operations name.
inline constexpr const Application& kWord = kApplications[0];
inline constexpr const Application& kPowerPoint = kApplications[1];
inline constexpr const Application& kExcel = kApplications[2];

// The row of "/word"'s name, or of a button; null for none.
const Application* ApplicationNamed(std::u16string_view switchName);
const Application* ApplicationOfControl(int controlId);

// Whether an error number is an application's answer to a look-up of an
// item it does not have.
bool IsMissingItem(ErrorNumber e);

// Whether a look-up finds its item: a missing-item answer says no; any
// other failure of the look-up is no answer, and is thrown on.
template <class LookUp>
bool Finds(LookUp&& lookUp) {
  try {
    lookUp();
    return true;
  } catch (const AutomationError& e) {
    if (IsMissingItem(e.number())) return false;
    throw;
  }
}

// The name Excel and PowerPoint list the current add-in under.
inline constexpr std::u16string_view kAddInName = u"Tambrel_O21";

// The current add-in as the application lists it, looked up afresh.
inline Ref TheAddIn(const Ref& app) { return app.Get(u"AddIns", {kAddInName}).AsObject(); }

}  // namespace tbo
