// The simulated clocks: the system's monotonic and wall clocks, each plus a
// shift that the desktop file's "clock" member and the "clock" action set.
// Loading a desktop resets both shifts first. Sums saturate. Thread-safe.
#pragma once

#include <cstdint>

namespace sim {

// Largest shift one action may ask for, in milliseconds (about 126 years):
// keeps every sum within the nanosecond range of the clocks.
inline constexpr double kMaxClockShiftMs = 4e12;

void clock_reset();
// Moves both clocks forward by `ns` (> 0).
void clock_advance(int64_t ns);
// Sets the wall clock to `ns` since the epoch (negative: before 1970).
void clock_set_wall(int64_t ns);

// The shifted clocks, in nanoseconds (wall: since the epoch).
int64_t monotonic_ns();
int64_t wall_ns();

}  // namespace sim
