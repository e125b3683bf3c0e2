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

class Operation : public Runner {
 public:
  explicit Operation(const Platform& platform, StepObserver& observer = StepObserver::None(),
                     MissingItem missing = nullptr)
      : Runner(observer, missing), platform_(platform) {}

  const Platform& platform() const { return platform_; }
  FileSystem& files() const { return platform_.files; }

  // Attaches to the running instance, or creates one when the pending error
  // as a whole is non-zero: a failure left by an earlier step also leads to
  // a new instance.
  void AttachOrLaunch(Ref& app, const ServerName& server, Clear clear = Clear::AtEnd);
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
  Platform platform_;
};

}  // namespace tbo
