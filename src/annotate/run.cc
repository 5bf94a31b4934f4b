// The annotate mode: three threads.
//  - main: starts the others, owns the listen-only tap and its `State`, and
//    runs the main run loop, in which every tap callback and catch-up runs;
//  - poller: samples the pointer while tracking is on (poller.h);
//  - reader: answers commands and ends the process at end of input
//    (commands.h).
#include "annotate/run.h"

#include "annotate/commands.h"
#include "annotate/emit.h"
#include "annotate/poller.h"
#include "annotate/state.h"
#include "dictation/tap_start.h"
#include "macos/secure_input.h"
#include "platform/cg_event.h"
#include "platform/run_loop.h"
#include "stream/exit_status.h"

namespace annotate::platform {
namespace {

// Left button down and up, right button down, key down, flags changed,
// scroll wheel and other button down. Motion comes from the poller.
constexpr cg::EventMask kTapEvents =
    cg::mask_bit(cg::kLeftMouseDown) | cg::mask_bit(cg::kLeftMouseUp) |
    cg::mask_bit(cg::kRightMouseDown) | cg::mask_bit(cg::kKeyDown) |
    cg::mask_bit(cg::kFlagsChanged) | cg::mask_bit(cg::kScrollWheel) |
    cg::mask_bit(cg::kOtherMouseDown);
static_assert(kTapEvents == 0x0240140E);

// The process's one State, kept here for the life of the process, also when
// the tap is refused.
State* STATE = nullptr;

void emit_named(const char* event) {
  json::Value line = json::Value::object();
  line["event"] = event;
  emit(line);
}

}  // namespace

uint8_t run() {
  Parker& poller = start_poller();
  State* state = STATE = new State(poller);  // never freed
  // The secure-input entry is looked up here, never inside the callback.
  (void)frontmost::platform::secure_input();
  cf::Ref tap = cg::event_tap_create(cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
                                     cg::TapOptions::ListenOnly, kTapEvents, &on_event, state);
  if (!tap) {
    // The poller stays parked; no command is ever read.
    emit_named("denied");
    return stream::exit_status::kDenied;
  }
  state->tap = std::move(tap);
  cf::Ref source = cf::mach_port_create_run_loop_source(state->tap.get(), 0);
  if (!source) {
    dictation::platform::report_tap_not_running("no run-loop source for it");
    return stream::exit_status::kTapNotRunning;
  }
  cf::run_loop_add_source(cf::run_loop_get_current(), source.get());
  if (!dictation::platform::enable_and_confirm(state->tap.get())) {
    cf::run_loop_remove_source(cf::run_loop_get_current(), source.get());
    dictation::platform::report_tap_not_running("it stayed off when turned on");
    return stream::exit_status::kTapNotRunning;
  }
  emit_named("ready");
  // A button or shift key already down is reported now.
  state->catch_up();
  read_commands();
  cf::run_loop_run();
  return stream::exit_status::kOk;
}

}  // namespace annotate::platform
