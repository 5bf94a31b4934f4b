// The simulated clocks: the system's clocks plus two shifts.
#include "platform/sim/model/clock_shift.h"

#include <atomic>
#include <chrono>

namespace sim {
namespace {

std::atomic<int64_t> MONOTONIC_SHIFT{0};  // ns, never negative
std::atomic<int64_t> WALL_SHIFT{0};       // ns

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
  MONOTONIC_SHIFT = 0;
  WALL_SHIFT = 0;
}

void clock_advance(int64_t ns) {
  if (ns <= 0) return;
  MONOTONIC_SHIFT = saturating_add(MONOTONIC_SHIFT.load(), ns);
  WALL_SHIFT = saturating_add(WALL_SHIFT.load(), ns);
}

void clock_set_wall(int64_t ns) { WALL_SHIFT = ns - real_wall_ns(); }

int64_t monotonic_ns() {
  return saturating_add(real_monotonic_ns(), MONOTONIC_SHIFT.load());
}

int64_t wall_ns() { return saturating_add(real_wall_ns(), WALL_SHIFT.load()); }

}  // namespace sim
