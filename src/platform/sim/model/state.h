// The current desktop of the process, behind one mutex. Nobody sleeps or
// calls back into other parts of the layer while holding it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/sim/model/desktop.h"

namespace sim {

struct State {
  std::mutex mu;
  std::unique_ptr<Desktop> desktop;  // set by ensure_loaded
  uint64_t generation = 0;           // bumped when the desktop is replaced
};

// The loaded state (loads it on first use).
State& state();

// Runs f(desktop) under the lock and returns its result.
template <typename F>
auto with_desktop(F&& f) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return f(*s.desktop);
}

}  // namespace sim
