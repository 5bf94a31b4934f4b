// Event taps of the simulated desktop and the delivery of input to them.
//
// A tap is a mach-port object; once its run-loop source is added to a run
// loop, its callback runs on that loop's thread. Delivery is synchronous for
// the deliverer: it hands the event to each tap's thread in turn and waits
// for the callback's answer. The tap thread never waits on the deliverer.
#pragma once

#include <cstdint>

#include "platform/cf.h"
#include "platform/cg_event.h"
#include "platform/sim/drive/run_loop.h"

namespace sim {

// Whether the system lets this process create a tap with `options` now
// (the desktop may refuse taps; an active tap needs Accessibility, a
// listen-only one Input Monitoring).
bool may_create_tap(cg::TapOptions options);

// A new tap's mach port (disabled), after every tap made before it in the
// order of delivery. The tap leaves that order when its port is freed.
cf::Ref create_tap(cg::TapOptions options, cg::EventMask mask,
                   cg::TapCallback callback, void* user);

// A run-loop source for a tap's port (retains the port); null for any other
// object.
cf::Ref create_tap_source(cf::TypeRef port);

// Turns the tap of `port` on or off; false (and nothing done) for other
// objects. Turning an active tap on while Accessibility is withdrawn
// stalls it.
bool enable_tap(cf::TypeRef port, bool enable);

// The tap of `source` gets its callbacks on `loop`'s thread (add), or no
// longer does (remove); the loop keeps or gives back its reference to the
// source. Nothing for sources of other kinds.
// Whether the tap of `port` is on; false for other objects.
bool tap_enabled(cf::TypeRef port);

void add_tap_source(const LoopPtr& loop, cf::TypeRef source);
void remove_tap_source(const LoopPtr& loop, cf::TypeRef source);

struct InputEvent {
  cg::EventType type = 0;
  int64_t keycode = 0;
  int64_t autorepeat = 0;
  int64_t source_pid = 0;
  cg::Flags flags = 0;
  cg::Point location;
};

// Hands `event` to every enabled tap whose mask has its type, in creation
// order, until an active tap withholds it; logs one "input" effect per tap
// that saw it ("not_delivered" when none did). While an enabled active tap
// is stalled (Accessibility withdrawn) no tap sees it and it is logged
// "held". Returns true when it reaches applications.
bool deliver_input(const InputEvent& event);

// Accessibility was withdrawn: every enabled active tap stops getting
// events and holds input (deliver_input logs it "held") until the system
// disables it by time-out, tap_timeout_ms later.
void stall_active_taps();

// The system disables every enabled tap and sends each the notice
// (kTapDisabledByTimeout or kTapDisabledByUserInput) with a placeholder
// event; returns once every callback has answered.
void disable_taps(cg::EventType notice);

}  // namespace sim
