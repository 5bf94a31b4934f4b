// The hotkey state machine of the dictate mode, run by the tap callback.
//
// One `State` per process, made by the tap thread, handed to the tap as its
// user record and never freed. Only the tap thread touches it, so it has no
// lock. The callback never writes output and never waits: every event line
// goes onto the unbounded event channel, which the emitter thread drains.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "dictation/channel.h"
#include "dictation/hotkey.h"
#include "json/value.h"
#include "platform/cf.h"
#include "platform/cg_event.h"
#include "platform/clock.h"

namespace dictation {

// An event line waiting for the emitter: its name and payload.
using KeyEvent = std::pair<std::string, json::Value>;

// The line that ends the process: the tap found its permission gone. The
// emitter writes it after every line queued before it, then ends the
// process with stream::exit_status::kDenied.
inline constexpr const char* kDeniedEvent = "denied";

// Not a line: the tap could not be turned back on after the system turned
// it off. The emitter writes every line queued before it, then the
// diagnostic, and ends the process with stream::exit_status::kTapNotRunning.
inline constexpr const char* kTapLost = "(tap lost)";

// The dictate tap: key down and up, flags changed, and the left, right and
// other mouse downs; active, at the head of the session's taps.
inline constexpr cg::EventMask kTapEvents =
    cg::mask_bit(cg::kLeftMouseDown) | cg::mask_bit(cg::kRightMouseDown) |
    cg::mask_bit(cg::kKeyDown) | cg::mask_bit(cg::kKeyUp) |
    cg::mask_bit(cg::kFlagsChanged) | cg::mask_bit(cg::kOtherMouseDown);
inline constexpr cg::TapLocation kTapLocation = cg::TapLocation::Session;
inline constexpr cg::TapPlacement kTapPlacement = cg::TapPlacement::HeadInsert;
inline constexpr cg::TapOptions kTapOptions = cg::TapOptions::Default;

// A space key-down before this long after the press means "hands_free".
inline constexpr std::chrono::seconds kHandsFreeWindow{1};

struct State {
  using Clock = clocks::Monotonic;

  State(Sender<KeyEvent> sender, Hotkey chosen, int32_t own_pid)
      : events(std::move(sender)), hotkey(chosen), pid(own_pid) {}

  // Queues ("hands_free", payload).
  void report(json::Value payload);
  // Queues one line; a receiver that is gone drops it.
  void queue(const char* name, json::Value payload);

  Sender<KeyEvent> events;
  std::optional<Clock::time_point> hands_free_deadline;
  cf::Ref tap;     // re-enabled after a disabled notice
  cf::Ref source;  // the tap's run-loop source on the tap thread's loop
  Hotkey hotkey;
  int32_t pid;     // the helper's own: its posted keystrokes pass unseen
  std::optional<Hotkey> held;
  bool secure = false;  // secure input was on when the held chord went down
  bool swallowing_space = false;  // this space press is being withheld
};

namespace platform {

// The tap callback. `user` is the State. Returns `event` to let it through or
// null to withhold it from applications.
cf::TypeRef on_event(cg::TapProxy proxy, cg::EventType type, cf::TypeRef event,
                     void* user);

}  // namespace platform
}  // namespace dictation
