// What makes an Office application a unit of its own: its row (what the
// command line, the window, the presses and the log know of it), its
// operations, which work on a press context, and the goals its press must
// read back. Each application keeps all three in its own files (word.h and
// word.cpp); installers/applications.h lists them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/operation.h"
#include "automation/runner.h"
#include "automation/services.h"
#include "automation/value.h"

namespace tbo {

// What a press must achieve for its application to count as set up (or its
// add-in as taken out), in the log's words. A goal is known by its address.
struct Goal {
  const char16_t* words;
};

// Who pressed: a person at the window, or an unattended run, which spares
// the user's open applications unless told to close them (/closeapps).
enum class PressedBy { Person, UnattendedRun, UnattendedRunClosingApps };

// The two strings the Excel and PowerPoint operations share. They live as
// long as the program and keep their value from one press to the next.
struct SharedStrings {
  std::u16string foundFileName;
  std::u16string appFolder;
};

// What an operation works with during one press: the platform, the
// observer that hears of every step, the goals reached so far, and who
// pressed.
class PressContext {
 public:
  // missing: how the applications answer a look-up of an item they do not
  // have (the table knows). judge: whose an instance is, which only an
  // unattended press asks (a person may quit their own Office).
  PressContext(const Platform& platform, StepObserver& observer, SharedStrings& shared, MissingItem missing,
               PressedBy pressedBy = PressedBy::Person, Judge* judge = nullptr)
      : platform_(platform), observer_(observer), shared_(shared), missing_(missing), pressedBy_(pressedBy),
        judge_(pressedBy == PressedBy::UnattendedRun ? judge : nullptr) {}

  const Platform& platform() const { return platform_; }
  PressedBy pressedBy() const { return pressedBy_; }
  SharedStrings& shared() const { return shared_; }
  // An operation that reports to the press's observer and knows the
  // applications' answers for an item they do not have.
  Operation NewOperation() const { return Operation(platform_, observer_, missing_, judge_); }
  void Reach(const Goal& goal) { reached_.push_back(&goal); }
  bool Reached(const Goal& goal) const;
  // A check that could not read what it was to read: Office did not answer.
  void CouldNotRead() { couldNotRead_ = true; }
  bool couldNotRead() const { return couldNotRead_; }

 private:
  Platform platform_;
  StepObserver& observer_;
  SharedStrings& shared_;
  MissingItem missing_;
  PressedBy pressedBy_;
  Judge* judge_;
  std::vector<const Goal*> reached_;
  bool couldNotRead_ = false;
};

// An operation of an application, and its name for the log.
struct NamedOperation {
  void (*run)(PressContext&);
  const char16_t* name;
};
// The operation's name is its function's.
#define TBO_OPERATION(function) ::tbo::NamedOperation{&MTBO::function, u"" #function}

struct Application {
  const char16_t* name;         // "Word": in the log, the record and the usage text
  const char16_t* switchName;   // "word", for /word
  const char16_t* progId;       // "Word.Application"
  const char16_t* caption;      // "Microsoft Word": its button's, read back for the status line
  const char16_t* controlName;  // "cmdWORD"
  int controlId;
  int buttonSlot;               // its button's place from the top, 0 first; also its tab order
  ErrorNumber missingItem;      // how it answers a look-up of an item it does not have
  const char16_t* openFiles;    // the collection of what the user has open in it: "Documents"
  const char16_t* openFile;     // one of them, in the log's words: "document"
  NamedOperation remove, install, uninstall;
  // Asks Office, reading only, what a press left that lasts: the goals in
  // `checked` it reads back.
  NamedOperation check;
  std::span<const Goal* const> goals;        // what its press must achieve
  std::span<const Goal* const> goalsOut{};   // what taking the add-in out must achieve
  std::span<const Goal* const> checked{};    // what a check reads back of what a press left
  // Whether what its press leaves lasts in Office for a check to read; when
  // it does not, the user's record of this generation must say set up too.
  bool lastsInOffice = true;
  const Application* alsoReaches = nullptr;  // another application its press quits
  bool uninstallQuits = true;                // taking the add-in out asks it to quit
  // What its press sets up: the add-in's name and a revision, raised for
  // this application alone when its press changes in a way users must get
  // again (an unattended run presses every user whose record names another).
  const char16_t* generation = u"Tambrel_O21/1";
  // An empty reference to it, as the log names it.
  Stands reference{name, u"reached"};

  ServerName server() const { return {progId, name}; }
};

// Whether a look-up finds its item: a missing-item answer (as op knows
// them) says no; any other failure of the look-up is no answer, and is
// thrown on.
template <class LookUp>
bool Finds(const Runner& op, LookUp&& lookUp) {
  try {
    lookUp();
    return true;
  } catch (const AutomationError& e) {
    if (op.IsMissingItem(e.number())) return false;
    throw;
  }
}

// The name Excel and PowerPoint list the current add-in under.
inline constexpr std::u16string_view kAddInName = u"Tambrel_O21";

// The current add-in as the application lists it, looked up afresh.
inline Ref TheAddIn(const Ref& app) { return app.Get(u"AddIns", {kAddInName}).AsObject(); }

// Reaches the application as the installation does. False when it is not
// installed here, so that there is nothing to take out of it.
bool ReachedIfInstalled(Operation& op, Ref& app, const Application& application);

// What a check reaches: the running instance, read only and never quit, or
// one it starts unseen (started), which it quits when it is done with it.
struct Reading {
  Ref app;
  bool started = false;
  int failuresBefore = 0;  // the operation's, once the application was reached
};
// Reaches the application to read from it; an empty reference when it could
// not be reached.
Reading ReachedToRead(Operation& op, const Application& application);
// Whether everything asked of it since it was reached answered.
inline bool AllRead(const Operation& op, const Reading& reading) {
  return !reading.app.IsEmpty() && op.failures() == reading.failuresBefore;
}
// Lets go of it: quits it only when the check started it (and it has not
// become the user's since).
void DoneReading(Operation& op, Reading& reading);

}  // namespace tbo
