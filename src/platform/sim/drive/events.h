// Test hooks of the simulated desktop's event side (taps, input events,
// posting, run loops). Only tests and the control actions use them.
#pragma once

#include <cstdint>

namespace sim {

// Forgets what the event side read from the desktop, so that the next
// platform call reads the desktop loaded since (input state, effects log,
// control FIFO, script) and the main run loop starts empty. Call after
// load_for_test. Threads started for the previous desktop stop at their
// next step.
void reset_event_side();

// Of the creations of the given kind from now on, the next `after` succeed
// and the `count` after them give null (Keyboard: event_create_keyboard_event;
// Plain: event_create). A later call replaces the schedule of that kind.
enum class EventKind { Keyboard, Plain };
void fail_events(EventKind kind, int64_t count, int64_t after = 0);

}  // namespace sim
