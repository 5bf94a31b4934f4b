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

// Blocks the calling thread for at least `d` (nothing for d <= 0).
void sleep_for(std::chrono::nanoseconds d);

// Wall-clock milliseconds since the epoch, truncated; 0 before the epoch.
uint64_t wall_millis();

}  // namespace clocks
