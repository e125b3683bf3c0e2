// One installer operation: the resume-on-error runner together with the
// shared ways of reaching an Office application and of removing a file.
#pragma once

#include <string_view>

#include "automation/runner.h"
#include "automation/services.h"

namespace tbo {

// How QuitAndRelease lets go of the application after Quit.
enum class ReleaseForm {
  Plain,         // drop, yield, test for empty; repeat until empty
  WithoutYield,  // drop, test for empty; repeat until empty
  Single,        // one drop, no yield and no test
};

// Whether AttachOrLaunch ends with ClearError.
enum class Clear { AtEnd, LeftToCaller };

// What a step that reaches an application will do with it: change it (and
// perhaps quit it), or only read from it.
enum class Access { Changes, ReadOnly };

// Whose a running instance of an application is: the user's ("PowerPoint is
// open (1 presentation)": on screen, or holding something open) or no
// one's (""). An unattended press asks for every instance it would change,
// and again before it quits one.
class Judge {
 public:
  virtual std::u16string Whose(const Ref& app) = 0;

 protected:
  ~Judge() = default;
};

// The user's own application, met by an unattended press: it is let go of
// untouched and the press ends, leaving it for a later run.
struct LeftToTheUser {
  std::u16string why;
};

class Operation : public Runner {
 public:
  // judge: whose an instance is, for an unattended press; none for a
  // person's, who may quit their own Office.
  explicit Operation(const Platform& platform, StepObserver& observer = StepObserver::None(),
                     MissingItem missing = nullptr, Judge* judge = nullptr)
      : Runner(observer, missing), platform_(platform), judge_(judge) {}

  const Platform& platform() const { return platform_; }
  FileSystem& files() const { return platform_.files; }

  // Attaches to the running instance, or creates one when the pending error
  // as a whole is non-zero: a failure left by an earlier step also leads to
  // a new instance. One that is to be changed and is the user's is let go
  // of: LeftToTheUser is thrown.
  void AttachOrLaunch(Ref& app, const ServerName& server, Clear clear = Clear::AtEnd, Access access = Access::Changes);
  // Quits the application (unless it is the user's: LeftToTheUser) and lets
  // go of it.
  void QuitAndRelease(Ref& app, ReleaseForm form = ReleaseForm::Plain);
  static void ReleaseOnly(Ref& app) { app.Release(); }
  // Deletes the file when a search finds it, after resetting its attributes,
  // so read-only files go too while hidden and system files stay.
  void RemoveFileIfPresent(std::u16string_view path);
  void YieldToPending() { Step([&] { platform_.events.YieldToPending(); }); }
  // One step that reaches an object and puts to it; when it goes through, a
  // change the log tells: "Excel AddIns(\"Tambrel_O21\").Installed set to True".
  bool Set(FunctionRef<Ref()> reach, std::u16string_view member, const Value& value);

 private:
  // Lets go of an instance that is the user's, and ends the press.
  void LeaveIfTheUsers(Ref& app);

  Platform platform_;
  Judge* judge_;
};

}  // namespace tbo
