// The event-tap calls of the frameworks, over the simulated desktop's taps
// (drive/taps.h). Every call starts the event side first.
#include "platform/sim/api/fault.h"
#include "platform/cg_event.h"

#include "platform/run_loop.h"
#include "platform/sim/drive/events_state.h"
#include "platform/sim/drive/taps.h"

namespace cg {

cf::Ref event_tap_create(TapLocation /*location*/, TapPlacement /*placement*/,
                         TapOptions options, EventMask mask,
                         TapCallback callback, void* user) {
  sim::Call call("CGEventTapCreate");
  sim::start_event_side();
  if (call.fails()) return {};
  if (!sim::may_create_tap(options) || !callback) return {};
  return sim::create_tap(options, mask, callback, user);
}

void event_tap_enable(cf::TypeRef tap, bool enable) {
  sim::Call call("CGEventTapEnable");
  sim::start_event_side();
  if (call.fails()) return;  // as on a Mac: nothing says it did not take
  if (sim::enable_tap(tap, enable) && enable) sim::start_script_once();
}

bool event_tap_is_enabled(cf::TypeRef tap) {
  sim::Call call("CGEventTapIsEnabled");
  sim::start_event_side();
  if (call.fails()) return false;
  return sim::tap_enabled(tap);
}

bool event_tap_probe(TapLocation /*location*/, TapPlacement /*placement*/,
                     TapOptions options, EventMask /*mask*/) {
  sim::start_event_side();
  return sim::may_create_tap(options);
}

}  // namespace cg

namespace cf {

Ref mach_port_create_run_loop_source(TypeRef port, int64_t /*order*/) {
  sim::Call call("CFMachPortCreateRunLoopSource");
  sim::start_event_side();
  if (call.fails()) return {};
  return sim::create_tap_source(port);
}

void run_loop_add_source(RunLoopRef loop, TypeRef source) {
  sim::start_event_side();
  if (loop) sim::add_tap_source(loop->shared_from_this(), source);
}

void run_loop_remove_source(RunLoopRef loop, TypeRef source) {
  sim::start_event_side();
  if (loop) sim::remove_tap_source(loop->shared_from_this(), source);
}

}  // namespace cf
