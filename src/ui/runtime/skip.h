#pragma once
// "Skip a failing step and go on": the game loop and the shot handler run
// each step through skipOnError, so one failing step (a drawing call, a full
// collection, arithmetic leaving its range) costs only that step and the
// next one still runs. Nothing is reported.

#include <utility>

namespace grinzo::rt {

// Runs `step`; true when it completed, false when it threw anything (the
// exception is swallowed). Whatever the step did before throwing stays done.
template <class F>
bool skipOnError(F&& step) noexcept {
  try {
    std::forward<F>(step)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace grinzo::rt
