// The one boundary for failures: code the system calls into (a window procedure, a thread entry,
// a callback) must not let an exception out, since the system's own code ends the process when
// one passes through it. Everything that can fail half way (memory running out) is run through
// Contained, so what happens then is decided in one place. Depends on nothing: every layer
// includes it.
#pragma once

#include <type_traits>
#include <utility>

namespace base {

// Runs fn; a failure it lets out is stopped here and answers a value-initialised result.
template <typename F>
auto Contained(F&& fn) noexcept -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  try {
    return fn();
  } catch (...) {
    if constexpr (!std::is_void_v<R>) return R{};
  }
}

// Runs fn; a failure it lets out is stopped here, and what onFailure answers (it puts right
// what fn left half done, and must not fail itself) is the result.
template <typename F, typename G>
auto Contained(F&& fn, G&& onFailure) noexcept -> std::invoke_result_t<F&> {
  try {
    return fn();
  } catch (...) {
    return onFailure();
  }
}

}  // namespace base
