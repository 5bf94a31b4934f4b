// Input events, event sources, the HID state queries and posting.
#include <unistd.h>

#include "platform/sim/api/fault.h"
#include "platform/cg_event.h"
#include "platform/sim/drive/events_state.h"
#include "platform/sim/drive/run_loop.h"
#include "platform/sim/drive/taps.h"
#include "platform/sim/model/event_objects.h"
#include "platform/sim/sim.h"

namespace cg {

int64_t event_get_integer_field(cf::TypeRef event, uint32_t field) {
  const auto* e = sim::as<sim::Event>(event);
  if (!e) return 0;
  switch (field) {
    case kFieldKeyboardEventAutorepeat: return e->autorepeat;
    case kFieldKeyboardEventKeycode: return e->keycode;
    case kFieldEventSourceUnixProcessID: return e->source_pid;
    default: return 0;
  }
}

Flags event_get_flags(cf::TypeRef event) {
  const auto* e = sim::as<sim::Event>(event);
  return e ? e->flags : 0;
}

void event_set_flags(cf::TypeRef event, Flags flags) {
  if (const auto* e = sim::as<sim::Event>(event)) e->flags = flags;
}

Point event_get_location(cf::TypeRef event) {
  const auto* e = sim::as<sim::Event>(event);
  return e ? e->location : Point{};
}

Flags event_source_flags_state(SourceState state) {
  sim::start_event_side();
  // A private state starts with no modifiers and never sees the devices.
  if (state == SourceState::Private) return 0;
  uint64_t flags = sim::input_state().flags;
  return sim::hid_device_bits() ? flags : flags & ~sim::kDeviceBits;
}

bool event_source_key_state(SourceState state, uint16_t keycode) {
  sim::start_event_side();
  if (state == SourceState::Private) return false;
  return sim::input_state().keys.down(keycode);
}

bool event_source_button_state(SourceState state, uint32_t button) {
  sim::start_event_side();
  if (state == SourceState::Private || button != kMouseButtonLeft) return false;
  return sim::input_state().left_button;
}

cf::Ref event_create(cf::TypeRef /*source*/) {
  sim::Call call("CGEventCreate");
  sim::start_event_side();
  if (call.fails()) return {};
  if (sim::take_event_failure(sim::EventKind::Plain)) return {};
  return sim::make_event(0);
}

cf::Ref event_source_create(SourceState state) {
  sim::Call call("CGEventSourceCreate");
  sim::start_event_side();
  if (call.fails()) return {};
  return sim::adopt_new(new sim::EventSource(state));
}

cf::Ref event_create_keyboard_event(cf::TypeRef source, uint16_t keycode,
                                    bool key_down) {
  sim::Call call("CGEventCreateKeyboardEvent");
  sim::start_event_side();
  sim::require_main_thread("CGEventCreateKeyboardEvent");
  if (call.fails()) return {};
  if (sim::take_event_failure(sim::EventKind::Keyboard)) return {};
  cf::Ref ref = sim::make_event(key_down ? kKeyDown : kKeyUp);
  auto* event = const_cast<sim::Event*>(sim::as<sim::Event>(ref.get()));
  event->keycode = keycode;
  event->source_pid = getpid();
  // Events of a private source carry only the flags set on them; without a
  // source they start with the modifiers that are down.
  const auto* s = sim::as<sim::EventSource>(source);
  if (s && s->state == SourceState::Private) event->flags = 0;
  return ref;
}

void event_post(TapLocation /*tap*/, cf::TypeRef event) {
  sim::Call call("CGEventPost");
  sim::start_event_side();
  if (call.fails()) return;  // as on a Mac: nothing says it did not take
  const auto* e = sim::as<sim::Event>(event);
  if (!e) return;
  if (e->type != kKeyDown && e->type != kKeyUp) {
    sim::log_effect({{"effect", "posted"}, {"type", e->type}, {"flags", e->flags}});
    return;
  }
  bool down = e->type == kKeyDown;
  if (!sim::accessibility_granted()) {
    sim::log_effect({{"effect", "post_dropped"}, {"keycode", e->keycode}, {"down", down}});
    return;
  }
  sim::log_effect({{"effect", "posted"},
                   {"keycode", e->keycode},
                   {"down", down},
                   {"flags", e->flags}});
  // On its way in, the event passes every enabled tap, as injected input
  // does, with the poster as its source.
  sim::InputEvent input;
  input.type = e->type;
  input.keycode = e->keycode;
  input.source_pid = e->source_pid;
  input.flags = e->flags;
  input.location = e->location;
  if (!sim::deliver_input(input)) return;
  sim::key_posted(static_cast<uint16_t>(e->keycode), down, e->flags);
}

}  // namespace cg
