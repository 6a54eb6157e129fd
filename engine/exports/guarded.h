// Every export runs its body through guarded(). No C++ exception may cross the C interface: a
// caller written in C cannot catch one, and unwinding through its frames is undefined. Whatever
// a body throws (in practice std::bad_alloc) becomes the export's documented failure value.
#pragma once

#include <utility>

namespace corvale {

// Runs `body` and returns its result; when it throws, returns what `failure` gives instead.
// `failure` restores the documented state of a failed call and must not throw itself.
template <typename Failure, typename Body>
auto guarded(Failure&& failure, Body&& body) noexcept -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return std::forward<Failure>(failure)();
  }
}

}  // namespace corvale
