#include "dictation/state.h"

#include "dictation/describe.h"
#include "dictation/tap_start.h"
#include "macos/secure_input.h"
#include "platform/run_loop.h"

namespace dictation {

void State::report(json::Value payload) { queue("hands_free", std::move(payload)); }

void State::queue(const char* name, json::Value payload) {
  (void)events.send(KeyEvent(name, std::move(payload)));
}

namespace platform {
namespace {

constexpr int64_t kSpaceKey = 49;

bool hid_key_down(uint16_t keycode) {
  return cg::event_source_key_state(cg::SourceState::HIDSystem, keycode);
}

// Accessibility was taken away while the tap was live: the system routes
// input through a tap that no longer gets it until it times the tap out.
// Turning it back on would hold the user's input again, so the tap goes
// off and leaves the run loop for good, and the emitter ends the process
// with "denied".
void stop_denied(State& state) {
  cg::event_tap_enable(state.tap.get(), false);
  cf::run_loop_remove_source(cf::run_loop_get_current(), state.source.get());
  state.queue(kDeniedEvent, json::Value());
}

// The system turned the tap off (a slow callback, or user input): turn it
// back on (the tap thread waits a few milliseconds at most while it does
// not take), and close a chord whose keys went up while nothing was
// watched.
// A time-out can also mean the permission is gone; only making an active
// tap tells that reliably.
void tap_disabled(State& state, cg::EventType type) {
  if (type == cg::kTapDisabledByTimeout &&
      !cg::event_tap_probe(kTapLocation, kTapPlacement, kTapOptions, kTapEvents)) {
    stop_denied(state);
    return;
  }
  if (!enable_and_confirm(state.tap.get())) {
    // Off for good: no silent dead tap, the process ends instead.
    cf::run_loop_remove_source(cf::run_loop_get_current(), state.source.get());
    state.queue(kTapLost, json::Value());
    return;
  }
  uint64_t flags = cg::event_source_flags_state(cg::SourceState::HIDSystem);
  json::Value notice = json::Value::object();
  notice["disabled_by"] = type == cg::kTapDisabledByTimeout ? "timeout" : "user_input";
  notice["flags"] = flags_text(flags);
  state.queue("tap_reenabled", notice);
  if (state.held && !is_down(*state.held, flags) &&
      !keys_down(*state.held, &hid_key_down)) {
    state.held.reset();
    notice["cause"] = "tap_reenabled";
    state.queue("up", std::move(notice));
  }
}

// Whether this space event is withheld, keeping `swallowing_space` so that
// the repeats and the key-up of a withheld press are withheld too.
bool withhold_space(State& state, cg::EventType type, bool repeat, bool inside) {
  if (type == cg::kKeyUp) {
    bool withhold = state.swallowing_space;
    state.swallowing_space = false;
    return withhold;
  }
  if (type == cg::kKeyDown) {
    bool withhold = repeat ? state.swallowing_space : inside;
    state.swallowing_space = withhold;
    return withhold;
  }
  return false;
}

void chord(State& state, uint32_t type, int64_t keycode, uint64_t flags,
           cf::TypeRef event) {
  if (state.secure) return;
  state.hands_free_deadline.reset();
  state.queue("chord", describe(type, keycode, flags, event));
}

}  // namespace

cf::TypeRef on_event(cg::TapProxy, cg::EventType type, cf::TypeRef event,
                     void* user) {
  State& state = *static_cast<State*>(user);
  if (type == cg::kTapDisabledByTimeout || type == cg::kTapDisabledByUserInput) {
    tap_disabled(state, type);
    return event;
  }

  // The helper's own keystrokes (the paste's Command+V) pass every session
  // tap on their way in, this one included: they are not the user's.
  if (cg::event_get_integer_field(event, cg::kFieldEventSourceUnixProcessID) == state.pid) {
    return event;
  }

  int64_t keycode = cg::event_get_integer_field(event, cg::kFieldKeyboardEventKeycode);
  uint64_t flags = cg::event_get_flags(event);
  bool repeat = cg::event_get_integer_field(event, cg::kFieldKeyboardEventAutorepeat) != 0;

  bool inside = state.held && !state.secure && state.hands_free_deadline &&
                State::Clock::now() < *state.hands_free_deadline;
  bool withhold = keycode == kSpaceKey && withhold_space(state, type, repeat, inside);

  std::optional<KeyAction> action =
      classify(state.hotkey, type, keycode, flags, repeat, state.held);
  if (action) {
    using Kind = KeyAction::Kind;
    switch (action->kind) {
      case Kind::Press: {
        state.held = action->held;
        state.hands_free_deadline = clocks::later(State::Clock::now(), kHandsFreeWindow);
        state.secure = frontmost::platform::secure_input();
        json::Value payload = describe(type, keycode, flags, event);
        if (state.secure) payload["secure"] = true;
        state.queue("down", std::move(payload));
        break;
      }
      case Kind::Release: {
        bool was_secure = state.secure;
        state.held.reset();
        state.secure = false;
        if (was_secure) break;
        json::Value payload = describe(type, keycode, flags, event);
        payload["cause"] = "key_event";
        state.queue("up", std::move(payload));
        break;
      }
      case Kind::Chord:
        chord(state, type, keycode, flags, event);
        break;
      case Kind::Space:
        if (state.secure) break;
        if (!withhold) {
          chord(state, type, keycode, flags, event);
          break;
        }
        state.hands_free_deadline.reset();
        state.report(describe(type, keycode, flags, event));
        break;
      case Kind::Escape:
        state.hands_free_deadline.reset();
        state.queue("escape", describe(type, keycode, flags, event));
        break;
    }
  }
  return withhold ? nullptr : event;
}

}  // namespace platform
}  // namespace dictation
