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

// A space key-down before this long after the press means "hands_free".
inline constexpr std::chrono::seconds kHandsFreeWindow{1};

struct State {
  using Clock = clocks::Monotonic;

  State(Sender<KeyEvent> sender, Hotkey chosen)
      : events(std::move(sender)), hotkey(chosen) {}

  // Queues ("hands_free", payload).
  void report(json::Value payload);
  // Queues one line; a receiver that is gone drops it.
  void queue(const char* name, json::Value payload);

  Sender<KeyEvent> events;
  std::optional<Clock::time_point> hands_free_deadline;
  cf::Ref tap;  // re-enabled after a disabled notice
  Hotkey hotkey;
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
