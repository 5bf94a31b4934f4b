// The simulated clocks: the system's monotonic and wall clocks, each plus a
// shift that the desktop file's "clock" member and the "clock" action set.
// The monotonic clock may also stand still: then it moves only when moved
// (an advance, or a simulated wait passing), so that how long the helper's
// own work takes on a loaded machine never shows in what it reports.
// Loading a desktop resets the clocks first. Sums saturate. Thread-safe.
#pragma once

#include <cstdint>

namespace sim {

// Largest shift one action may ask for, in milliseconds (about 126 years):
// keeps every sum within the nanosecond range of the clocks.
inline constexpr double kMaxClockShiftMs = 4e12;

// Both clocks as the system's, and the monotonic one running.
void clock_reset();
// Moves both clocks forward by `ns` (> 0).
void clock_advance(int64_t ns);
// Sets the wall clock to `ns` since the epoch (negative: before 1970).
void clock_set_wall(int64_t ns);
// Stops the monotonic clock where it is, or lets it run on from there
// (never backwards). The wall clock always runs.
void clock_set_still(bool still);
// A simulated wait of `ns` has passed (a slow application's answer): a
// still monotonic clock moves by it, a running one has moved by itself.
void clock_waited(int64_t ns);
// Makes the caller wait `ms` (<= 0: not at all), as a slow application
// makes its caller wait, and tells the clocks with clock_waited.
void wait_ms(double ms);

// The shifted clocks, in nanoseconds (wall: since the epoch).
int64_t monotonic_ns();
int64_t wall_ns();

}  // namespace sim
