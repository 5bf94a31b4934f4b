// Shifts of the simulated clocks, set by the desktop file's "clock" member
// and the "clock" action. Loading a desktop resets both shifts first.
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

}  // namespace sim
