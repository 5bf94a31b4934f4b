// The annotate mode's tap side: the shift and left-button state, kept by
// the listen-only tap's callback on the main thread, and the switching of
// pointer tracking.
//
// One `State` per process, made by `run` before the tap exists and never
// freed; it is the tap's user record. Only the main thread touches it (the
// callback and every catch-up run there), so it has no lock of its own.
// Its "shift" and "button" lines and the tracking switch are made under
// `LAST_POINTER.lock` (last_pointer.h).
#pragma once

#include "annotate/parker.h"
#include "annotate/shift.h"
#include "platform/cf.h"
#include "platform/cg_event.h"

namespace annotate::platform {

struct State {
  explicit State(Parker& poller_parker) : poller(poller_parker) {}

  // A modifier change: the flags word and where the pointer was.
  void on_flags(uint64_t flags, double x, double y);
  // The left button, down or up, and where.
  void on_button(bool down, double x, double y);
  // Takes the button and modifiers from the system's current state, as if
  // they had just changed at the current pointer position. A shift press
  // learned here is never alone. Nothing when no event can be made.
  void catch_up();

  Parker& poller;  // wakes the pointer poller
  cf::Ref tap;     // the listen-only tap, once it exists
  ShiftPhase shift = ShiftPhase::NotHeld;
  bool button = false;

 private:
  // Under LAST_POINTER.lock: tracking is on exactly while shift is held
  // without control, option and command and the button is up.
  void update_tracking(double x, double y);
};

// The tap callback; `user` is the State. Always lets the event through.
cf::TypeRef on_event(cg::TapProxy proxy, cg::EventType type, cf::TypeRef event,
                     void* user);

}  // namespace annotate::platform
