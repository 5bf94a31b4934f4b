// The dictate service: four threads.
//  - main: starts the others, waits for the tap's verdict, writes "ready" or
//    "denied", then starts the emitter and the reader and runs the main run
//    loop, which runs the commands;
//  - tap: owns the active event tap, its run loop and the `State`;
//  - emitter: the only receiver of the event channel; writes key events;
//  - reader: reads standard input (reader.cc).
// Neither channel ever makes its sender wait.
#include "dictation/service.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>

#include "dictation/channel.h"
#include "dictation/emit.h"
#include "dictation/reader.h"
#include "dictation/spawn.h"
#include "dictation/state.h"
#include "dictation/tap_start.h"
#include "json/line.h"
#include "macos/secure_input.h"
#include "platform/cg_event.h"
#include "platform/proc.h"
#include "platform/run_loop.h"
#include "stream/exit.h"
#include "stream/exit_status.h"

namespace dictation::platform {
namespace {

// Writes the key events in order; "denied" (the permission went away while
// the tap ran) is the last line of the process, and nothing follows a tap
// that could not be turned back on.
void emitter(Receiver<KeyEvent> events) {
  while (std::optional<KeyEvent> item = events.receive()) {
    if (item->first == kTapLost) {
      json::stop_output();
      report_tap_not_running("it stayed off after the system turned it off");
      stream::exit_now(stream::exit_status::kTapNotRunning);
    }
    emit(item->first, item->second);
    if (item->first == kDeniedEvent) {
      json::stop_output();  // nothing after "denied", whatever the process does meanwhile
      stream::exit_now(stream::exit_status::kDenied);
    }
    events.mark_done();
  }
}

// Progress of the emitter, for the end of input. Set before "ready", never
// freed.
Watcher<KeyEvent>* WATCHER = nullptr;

// The process's one State; kept here for the life of the process, also
// when the tap is refused (no emitter is started then).
State* STATE = nullptr;

// Sends exactly one verdict, unless it ends early (a tap that was made but
// cannot be made to run: the diagnostic is written); then the ready channel
// closes without one.
void tap_thread(Sender<KeyEvent> events, Sender<bool> ready, Hotkey hotkey) {
  State* state = STATE = new State(std::move(events), hotkey, proc::self());
  cf::Ref tap = cg::event_tap_create(kTapLocation, kTapPlacement, kTapOptions,
                                     kTapEvents, &on_event, state);
  if (!tap) {
    (void)ready.send(false);
    return;
  }
  state->tap = std::move(tap);
  state->source = cf::mach_port_create_run_loop_source(state->tap.get(), 0);
  if (!state->source) {
    report_tap_not_running("no run-loop source for it");
    return;
  }
  cf::run_loop_add_source(cf::run_loop_get_current(), state->source.get());
  if (!enable_and_confirm(state->tap.get())) {
    cf::run_loop_remove_source(cf::run_loop_get_current(), state->source.get());
    report_tap_not_running("it stayed off when turned on");
    return;
  }
  (void)ready.send(true);
  cf::run_loop_run();
}

[[noreturn]] void stop_after_spawn_failure() {
  stream::exit_now(kSpawnFailedStatus);
}

}  // namespace

void finish_key_events() {
  if (WATCHER) (void)WATCHER->wait_settled(kFinishLimit);
}

uint8_t run(Hotkey hotkey) {
  // The secure-input entry is resolved here, on the main thread, before the
  // tap exists: opening Carbon starts the text input machinery, which
  // belongs to the main thread; the callback then only calls the entry.
  (void)frontmost::platform::secure_input();
  auto [event_sender, event_receiver] = make_channel<KeyEvent>();
  WATCHER = new Watcher<KeyEvent>(event_receiver.watcher());
  auto [ready_sender, ready_receiver] = make_channel<bool>();
  std::optional<std::thread> tapping =
      spawn("tap", [events = std::move(event_sender),
                    ready = std::move(ready_sender), hotkey]() mutable {
        tap_thread(std::move(events), std::move(ready), hotkey);
      });
  if (!tapping) stop_after_spawn_failure();

  std::optional<bool> verdict = ready_receiver.receive();
  if (!verdict || !*verdict) {
    // The tap thread is ending on its own; wait for it so that nothing of
    // it runs while the process winds down.
    tapping->join();
    if (!verdict) return stream::exit_status::kTapNotRunning;
    emit(kDeniedEvent);
    return stream::exit_status::kDenied;
  }
  tapping->detach();
  emit("ready");
  // The emitter starts only now, so that no key event (queued meanwhile by
  // a press at the tap's start) is written before "ready".
  std::optional<std::thread> emitting =
      spawn("emitter", [events = std::move(event_receiver)]() mutable {
        emitter(std::move(events));
      });
  if (!emitting) stop_after_spawn_failure();
  emitting->detach();
  if (!read_commands()) stop_after_spawn_failure();
  cf::run_loop_run();
  return stream::exit_status::kOk;
}

}  // namespace dictation::platform
