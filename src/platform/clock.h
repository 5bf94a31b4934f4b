// Clocks and sleeping.
//
// Deadlines and budgets use the monotonic clock; timestamps for the host use
// the wall clock. Both are std::chrono clocks counting nanoseconds. The
// simulated desktop can shift them forward (and set the wall clock anywhere,
// before 1970 included) so that long waits can be tested without waiting;
// sleeping always takes real time. Safe to call from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>

namespace clocks {

// Never goes back; counts from an arbitrary origin.
struct Monotonic {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<Monotonic>;
  static constexpr bool is_steady = true;
  static time_point now();
};

// Time since 1970-01-01 00:00:00 UTC; negative before it.
struct Wall {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<Wall>;
  static constexpr bool is_steady = false;
  static time_point now();
};

// `t` + `d` for a deadline: a sum beyond the last instant a clock can show is
// held at that instant instead of overflowing (a clock shifted to its end
// must not turn "now plus a budget" into the distant past). `d` >= 0.
inline std::chrono::nanoseconds later(std::chrono::nanoseconds t, std::chrono::nanoseconds d) {
  using rep = std::chrono::nanoseconds::rep;
  rep sum = 0;
  if (__builtin_add_overflow(t.count(), d.count(), &sum)) {
    sum = d.count() > 0 ? std::numeric_limits<rep>::max() : std::numeric_limits<rep>::min();
  }
  return std::chrono::nanoseconds(sum);
}
template <typename Clock>
std::chrono::time_point<Clock> later(std::chrono::time_point<Clock> t,
                                     std::chrono::nanoseconds d) {
  return std::chrono::time_point<Clock>(later(t.time_since_epoch(), d));
}

// Blocks the calling thread for at least `d` (nothing for d <= 0).
void sleep_for(std::chrono::nanoseconds d);

// Wall-clock milliseconds since the epoch, truncated; 0 before the epoch.
uint64_t wall_millis();

}  // namespace clocks
