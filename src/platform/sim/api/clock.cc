// The simulated desktop's clocks: the system's clocks plus shifts that the
// desktop file and the "clock" action set. Sleeping is real.
#include "platform/clock.h"

#include <atomic>
#include <thread>

#include "platform/sim/model/clock_shift.h"
#include "platform/sim/sim.h"

namespace sim {

static std::atomic<int64_t> g_monotonic_shift{0};  // ns, never negative
static std::atomic<int64_t> g_wall_shift{0};     // ns

static int64_t saturating_add(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

static int64_t real_wall_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

static int64_t real_monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void clock_reset() {
  g_monotonic_shift = 0;
  g_wall_shift = 0;
}

void clock_advance(int64_t ns) {
  if (ns <= 0) return;
  g_monotonic_shift = saturating_add(g_monotonic_shift.load(), ns);
  g_wall_shift = saturating_add(g_wall_shift.load(), ns);
}

void clock_set_wall(int64_t ns) { g_wall_shift = ns - real_wall_ns(); }

}  // namespace sim

namespace clocks {

Monotonic::time_point Monotonic::now() {
  sim::ensure_loaded();
  return time_point(duration(sim::saturating_add(
      sim::real_monotonic_ns(), sim::g_monotonic_shift.load())));
}

Wall::time_point Wall::now() {
  sim::ensure_loaded();
  return time_point(duration(
      sim::saturating_add(sim::real_wall_ns(), sim::g_wall_shift.load())));
}

void sleep_for(std::chrono::nanoseconds d) {
  if (d.count() > 0) std::this_thread::sleep_for(d);
}

}  // namespace clocks
