// The resume-on-error policy: each step that fails is passed over, its error
// number becomes the pending error, and execution goes on with the next step.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "automation/function_ref.h"
#include "automation/value.h"

namespace tbo {

// Hears of every step a runner takes: the log of a run is one. This one
// hears nothing.
class StepObserver {
 public:
  // The failure carries what it attempted, and what the empty reference
  // the step used stands for, if anything.
  virtual void StepFailed(const AutomationError& /*error*/) {}
  // A step that looked for something to remove found nothing.
  virtual void NotThere(std::u16string_view /*thing*/) {}
  // What the operation changed, in words.
  virtual void Changed(std::u16string_view /*what*/) {}
  // What the operation has to say that changes nothing.
  virtual void Note(std::u16string_view /*text*/) {}
  static StepObserver& None();

 protected:
  ~StepObserver() = default;
};

// What a look-up found: the item, nothing (news), or a failure of its own.
enum class Found { Yes, NotThere, Failed };

// Whether an error number is how the servers answer a look-up of an item
// they do not have; the installers know which numbers those are.
using MissingItem = bool (*)(ErrorNumber);

class Runner {
 public:
  explicit Runner(StepObserver& observer = StepObserver::None(), MissingItem missing = nullptr)
      : observer_(observer), missing_(missing) {}

  ErrorNumber PendingError() const { return pending_; }
  // Whether an error number is how the servers answer a look-up of an item
  // they do not have.
  bool IsMissingItem(ErrorNumber e) const { return missing_ && missing_(e); }
  // How many steps have failed so far (a look-up that found nothing is news,
  // not a failure).
  int failures() const { return failures_; }
  void ClearError() { pending_ = kNoError; }

  // One step. Effects made before a failure stand; the rest of it is skipped.
  // Returns whether the step completed.
  // The policy itself lives once, in the body of Step; each step adds only
  // a call.
  bool Step(FunctionRef<void()> step) { return Run(step, {}) == Found::Yes; }
  // A step that looks `thing` up, and only looks it up: when Office has no
  // such item, that is news, not a failure, though the step counts as
  // failed. What is then done to the item is a step of its own, whose
  // failure is a failure.
  Found LookUp(std::u16string_view thing, FunctionRef<void()> lookUp) { return Run(lookUp, thing); }
  void Changed(std::u16string_view what) { observer_.Changed(what); }
  void Note(std::u16string_view text) { observer_.Note(text); }

  // A conditional block; a failing test enters the block as if it were true.
  template <class Test, class Body>
  void If(Test&& test, Body&& body) {
    bool enter = true;
    Step([&] { enter = test(); });
    if (enter) body();
  }

  // A loop tested at its head; a failing test runs the body.
  template <class Test, class Body>
  void While(Test&& test, Body&& body) {
    for (;;) {
      bool go = true;
      Step([&] { go = test(); });
      if (!go) return;
      body();
    }
  }

  // For-each over the collection that fetch returns. When fetching the
  // collection or its first item fails, the body runs once on an item that
  // is nothing, and the failing advance after it leaves the loop.
  template <class Fetch, class Body>
  void ForEach(Fetch&& fetch, Body&& body) {
    std::unique_ptr<Enumerator> items;
    std::optional<Value> item;
    if (!Step([&] {
          items = Value(fetch()).AsObject().Enumerate();
          if (!items) Fail(kTypeMismatch);
          item = items->Next();
        })) {
      // An item that is nothing: the body's steps fail on it, and the log
      // tells them as one line.
      static constexpr Stands kNoItem{u"an item of the collection", u"reached"};
      body(Value(Ref(kNoItem)));
      pending_ = kForNotInitialized;
      return;
    }
    while (item) {
      body(*item);
      if (!Step([&] { item = items->Next(); })) return;
    }
  }

 private:
  Found Run(FunctionRef<void()> step, std::u16string_view thing);
  Found Failed(const AutomationError& e, std::u16string_view thing);

  StepObserver& observer_;
  MissingItem missing_;
  ErrorNumber pending_ = kNoError;
  int failures_ = 0;
};

}  // namespace tbo
