// A reference to something callable, passed down without being copied or
// owned: one compiled body can then serve every caller (the step runner,
// the logged services).
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace tbo {

template <class Signature>
class FunctionRef;

template <class R, class... A>
class FunctionRef<R(A...)> {
 public:
  template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, FunctionRef>)
  FunctionRef(F&& f)  // NOLINT: converts like a function argument
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        call_([](void* object, A... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(object))(std::forward<A>(args)...);
        }) {}

  R operator()(A... args) const { return call_(object_, std::forward<A>(args)...); }

 private:
  void* object_;
  R (*call_)(void*, A...);
};

}  // namespace tbo
