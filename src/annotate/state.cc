#include "annotate/state.h"

#include <mutex>

#include "annotate/emit.h"
#include "annotate/last_pointer.h"
#include "dictation/tap_start.h"
#include "json/line.h"
#include "macos/secure_input.h"
#include "platform/clock.h"
#include "stream/exit.h"
#include "stream/exit_status.h"

namespace annotate::platform {
namespace {

json::Value located(const char* event, double x, double y) {
  json::Value line = json::Value::object();
  line["event"] = event;
  line["x"] = x;
  line["y"] = y;
  line["t"] = clocks::wall_millis();
  return line;
}

void emit_named(const char* event, bool timed) {
  json::Value line = json::Value::object();
  line["event"] = event;
  if (timed) line["t"] = clocks::wall_millis();
  emit(line);
}

}  // namespace

void State::on_flags(uint64_t flags, double x, double y) {
  ShiftChange change = shift_change(shift, flags, &frontmost::platform::secure_input);
  shift = change.next;
  std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
  if (change.line) {
    json::Value line = located("shift", x, y);
    line["held"] = change.line->held;
    line["alone"] = change.line->alone;
    emit(line);
  }
  update_tracking(x, y);
}

void State::on_button(bool down, double x, double y) {
  std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
  if (down != button) {
    button = down;
    json::Value line = located("button", x, y);
    line["state"] = down ? "down" : "up";
    emit(line);
  }
  update_tracking(x, y);
}

void State::update_tracking(double x, double y) {
  bool shift_gesture = shift == ShiftPhase::HeldAlone || shift == ShiftPhase::HeldSpoiled;
  bool on = shift_gesture && !button;
  if (on && !LAST_POINTER.position) {
    LAST_POINTER.position = Position{x, y};
    poller.wake();
  } else if (!on) {
    LAST_POINTER.position.reset();
  }
}

void State::catch_up() {
  cg::Point at;
  {
    cf::Ref event = cg::event_create(nullptr);
    if (!event) return;
    at = cg::event_get_location(event.get());
  }
  on_button(cg::event_source_button_state(cg::SourceState::HIDSystem, cg::kMouseButtonLeft),
            at.x, at.y);
  on_flags(cg::event_source_flags_state(cg::SourceState::HIDSystem), at.x, at.y);
  if (shift == ShiftPhase::HeldAlone) shift = ShiftPhase::HeldSpoiled;
}

cf::TypeRef on_event(cg::TapProxy, cg::EventType type, cf::TypeRef event, void* user) {
  State& state = *static_cast<State*>(user);
  switch (type) {
    case cg::kLeftMouseDown:
    case cg::kLeftMouseUp: {
      cg::Point at = cg::event_get_location(event);
      state.on_button(type == cg::kLeftMouseDown, at.x, at.y);
      break;
    }
    case cg::kRightMouseDown:
    case cg::kScrollWheel:
    case cg::kOtherMouseDown:
      if (state.shift == ShiftPhase::HeldAlone) state.shift = ShiftPhase::HeldSpoiled;
      break;
    case cg::kKeyDown:
      // The key is not named; the host judges the gesture from the lines.
      emit_named("key", true);
      break;
    case cg::kFlagsChanged: {
      cg::Point at = cg::event_get_location(event);
      state.on_flags(cg::event_get_flags(event), at.x, at.y);
      break;
    }
    case cg::kTapDisabledByTimeout:
    case cg::kTapDisabledByUserInput:
      if (!dictation::platform::enable_and_confirm(state.tap.get())) {
        // Off for good: every line so far is written; the process ends
        // rather than live on with a dead tap.
        json::stop_output();
        dictation::platform::report_tap_not_running(
            "it stayed off after the system turned it off");
        stream::exit_now(stream::exit_status::kTapNotRunning);
      }
      emit_named("tap_reenabled", false);
      state.catch_up();
      break;
    default:
      break;
  }
  return event;
}

}  // namespace annotate::platform
