// The event side's process-wide state: the input devices as the HID system
// sees them, the settings read from the desktop, and the start of the
// control thread.
//
// Every entry point of the event side calls start_event_side() first; it
// loads the desktop and, once per loaded desktop, opens the effects log and
// starts the control thread. The state is never freed: detached threads may
// still use it while the process exits.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cf.h"
#include "platform/sim/drive/events.h"
#include "platform/sim/drive/key_state.h"

namespace sim {

void start_event_side();

// Generation of the loaded desktop as seen by the event side; threads of an
// older generation stop.
uint64_t event_generation();

// The desktop refuses event taps.
bool taps_refused();

// How long an active tap that no longer gets events (Accessibility
// withdrawn) holds input before the system disables it by time-out.
double tap_timeout_ms();

// Current HID system state.
struct InputState {
  uint64_t flags = 0;
  bool left_button = false;
  double x = 0, y = 0;
  KeyState keys;
};
InputState input_state();
// The keys of modifiers that `flags` clear go up (KeyState::flags_set).
void set_input_flags(uint64_t flags);
// An injected key or flags event: the key state follows it.
void note_input_key(cg::EventType type, int64_t keycode, uint64_t flags);
// Whether the HID flag state carries the device bits.
bool hid_device_bits();
void set_hid_device_bits(bool on);
void set_input_button(bool down);
void set_input_pointer(double x, double y);

// A new event at the current pointer position with the current HID flags.
cf::Ref make_event(cg::EventType type);

// The script of the loaded desktop; started (once per desktop) when the
// first tap is enabled.
void start_script_once();

// Consumes one pending failure of fail_events (events.h) for `kind`:
// true when this creation must fail.
bool take_event_failure(EventKind kind);

}  // namespace sim
