// The simulated clocks: the system's clocks plus two shifts.
#include "platform/sim/model/clock_shift.h"

#include <atomic>
#include <chrono>

namespace sim {
namespace {

std::atomic<int64_t> g_monotonic_shift{0};  // ns, never negative
std::atomic<int64_t> g_wall_shift{0};       // ns

int64_t saturating_add(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

int64_t real_wall_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int64_t real_monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

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

int64_t monotonic_ns() {
  return saturating_add(real_monotonic_ns(), g_monotonic_shift.load());
}

int64_t wall_ns() { return saturating_add(real_wall_ns(), g_wall_shift.load()); }

}  // namespace sim
