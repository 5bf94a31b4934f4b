// Pointer polling: while tracking is on (`LAST_POINTER` holds a position),
// one thread samples the pointer every 8 ms and reports it in a "pointer"
// line once it is at least 0.5 away from the last reported position. While
// tracking is off it is parked: no samples, no processor time.
#pragma once

#include <chrono>

#include "annotate/parker.h"

namespace annotate::platform {

inline constexpr std::chrono::nanoseconds kSampleInterval = std::chrono::milliseconds(8);
inline constexpr double kMovement = 0.5;

// One pass under `LAST_POINTER.lock`: false (nothing sampled) when tracking
// is off; otherwise one sample, and the line when it moved far enough. A
// sample whose event cannot be made is skipped.
bool poll_once();

// The polling thread's body: passes, each followed by the interval's sleep,
// while tracking is on; parked on `parker` while it is off. Never returns.
[[noreturn]] void poll_pointer(Parker& parker);

// Starts the polling thread (never joined) and gives the parker that wakes
// it. A thread that cannot be started ends the process (see spawn.h).
Parker& start_poller();

}  // namespace annotate::platform
