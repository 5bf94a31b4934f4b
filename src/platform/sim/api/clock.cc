// The clocks of the simulated desktop: the desktop's shifted clocks (set by
// the desktop file and the "clock" action). Sleeping is real.
#include "platform/clock.h"

#include <thread>

#include "platform/sim/model/clock_shift.h"
#include "platform/sim/sim.h"

namespace clocks {

Monotonic::time_point Monotonic::now() {
  sim::ensure_loaded();
  return time_point(duration(sim::monotonic_ns()));
}

Wall::time_point Wall::now() {
  sim::ensure_loaded();
  return time_point(duration(sim::wall_ns()));
}

void sleep_for(std::chrono::nanoseconds d) {
  if (d.count() > 0) std::this_thread::sleep_for(d);
}

}  // namespace clocks
