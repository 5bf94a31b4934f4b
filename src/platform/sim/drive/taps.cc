// Event taps as the system keeps them, and the delivery of input to the
// enabled taps in order.
#include "platform/sim/drive/taps.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <chrono>
#include <semaphore>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/sim/drive/events_state.h"
#include "platform/sim/model/event_objects.h"
#include "platform/sim/model/log.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

// What a tap is, shared between its port object and deliveries in flight
// (which may outlive the port).
struct TapCore {
  bool listen_only = false;
  cg::EventMask mask = 0;
  cg::TapCallback callback = nullptr;
  void* user = nullptr;
  std::atomic<bool> enabled{false};
  std::atomic<bool> dead{false};
  std::atomic<uint64_t> enables{0};  // counts the enables, for time-outs
  std::mutex mu;
  LoopPtr loop;  // the run loop holding the tap's source, once added
};
using CorePtr = std::shared_ptr<TapCore>;

struct Taps {
  std::mutex mu;
  std::vector<CorePtr> all;  // creation order
};

Taps& taps() {
  static Taps* t = new Taps;  // never destroyed
  return *t;
}

struct TapPort : cf::Object {
  explicit TapPort(CorePtr c) : Object(cf::TypeId::MachPort, "mach_port"), core(std::move(c)) {}
  ~TapPort() override {
    core->dead = true;
    Taps& t = taps();
    std::lock_guard lock(t.mu);
    t.all.erase(std::remove(t.all.begin(), t.all.end(), core), t.all.end());
  }
  CorePtr core;
};

struct TapSource : cf::Object {
  explicit TapSource(cf::TypeRef p)
      : Object(cf::TypeId::RunLoopSource, "run_loop_source"), port(cf::Ref::retained(p)) {}
  cf::Ref port;  // CFMachPortCreateRunLoopSource retains the port
};

enum class Answer { NotCalled, Passed, Withheld };

struct Reply {
  std::binary_semaphore done{0};
  Answer answer = Answer::NotCalled;
};

// Runs the tap's callback on its loop's thread with a fresh event and waits
// for the answer. A notice reaches a disabled tap; input does not.
Answer call_tap(const CorePtr& core, const InputEvent& input, bool notice) {
  LoopPtr loop;
  {
    std::lock_guard lock(core->mu);
    loop = core->loop;
  }
  if (!loop) return Answer::NotCalled;
  auto reply = std::make_shared<Reply>();
  bool posted = post_work(loop, [core, reply, input, notice](bool run) {
    Answer answer = Answer::NotCalled;
    if (run && !core->dead && (notice || core->enabled)) {
      cf::Ref event = make_event(notice ? 0 : input.type);
      if (!notice) {
        auto* e = const_cast<Event*>(as<Event>(event.get()));
        e->keycode = input.keycode;
        e->autorepeat = input.autorepeat;
        e->source_pid = input.source_pid;
        e->flags = input.flags;
        e->location = input.location;
      }
      cf::TypeRef back = core->callback(core.get(), input.type, event.get(), core->user);
      answer = !back && !core->listen_only && !notice ? Answer::Withheld : Answer::Passed;
    }
    reply->answer = answer;
    reply->done.release();
  });
  if (!posted) return Answer::NotCalled;
  reply->done.acquire();
  return reply->answer;
}

std::vector<CorePtr> snapshot() {
  Taps& t = taps();
  std::lock_guard lock(t.mu);
  return t.all;
}

// Whether some enabled active tap no longer gets events: input waits at it.
bool input_stalled() {
  if (accessibility_granted()) return false;
  for (const CorePtr& core : snapshot()) {
    if (core->enabled && !core->dead && !core->listen_only) return true;
  }
  return false;
}

// The system's patience with a stalled tap: after tap_timeout_ms it turns
// the tap off and sends it the time-out notice, unless the tap was turned
// off, on again or Accessibility came back meanwhile.
void watch_stall(const CorePtr& core) {
  log_effect({{"effect", "tap_stalled"}});
  uint64_t enables = core->enables.load();
  uint64_t generation = event_generation();
  auto wait = std::chrono::duration<double, std::milli>(tap_timeout_ms());
  try {
    std::thread([core, enables, generation, wait] {
      std::this_thread::sleep_for(wait);
      if (event_generation() != generation || core->dead || accessibility_granted() ||
          core->enables.load() != enables || !core->enabled.exchange(false)) {
        return;
      }
      log_effect({{"effect", "tap_disabled"}, {"by", "timeout"}});
      InputEvent placeholder;
      placeholder.type = cg::kTapDisabledByTimeout;
      call_tap(core, placeholder, true);
    }).detach();
  } catch (const std::system_error&) {
    log_effect({{"effect", "rejected"}, {"reason", "no thread for the tap time-out"}});
  }
}

// The tap of a run-loop source, or null.
const TapPort* port_of(cf::TypeRef source) {
  const auto* s = as<TapSource>(source);
  return s ? as<TapPort>(s->port.get()) : nullptr;
}

}  // namespace

bool may_create_tap(cg::TapOptions options) {
  if (taps_refused()) return false;
  return options == cg::TapOptions::ListenOnly ? input_monitoring_granted()
                                               : accessibility_granted();
}

cf::Ref create_tap(cg::TapOptions options, cg::EventMask mask,
                   cg::TapCallback callback, void* user) {
  auto core = std::make_shared<TapCore>();
  core->listen_only = options == cg::TapOptions::ListenOnly;
  core->mask = mask;
  core->callback = callback;
  core->user = user;
  {
    Taps& t = taps();
    std::lock_guard lock(t.mu);
    t.all.push_back(core);
  }
  return adopt_new(new TapPort(core));
}

cf::Ref create_tap_source(cf::TypeRef port) {
  if (!as<TapPort>(port)) return {};
  return adopt_new(new TapSource(port));
}

bool enable_tap(cf::TypeRef tap, bool enable) {
  const auto* port = as<TapPort>(tap);
  if (!port) return false;
  bool was = port->core->enabled.exchange(enable);
  if (enable) {
    port->core->enables.fetch_add(1);
    if (!was && !port->core->listen_only && !accessibility_granted()) {
      watch_stall(port->core);
    }
  }
  return true;
}

bool tap_enabled(cf::TypeRef tap) {
  const auto* port = as<TapPort>(tap);
  return port && port->core->enabled.load();
}

void add_tap_source(const LoopPtr& loop, cf::TypeRef source) {
  const TapPort* port = port_of(source);
  if (!port) return;
  {
    std::lock_guard lock(port->core->mu);
    port->core->loop = loop;
  }
  loop_keep_source(loop, source);
}

void remove_tap_source(const LoopPtr& loop, cf::TypeRef source) {
  const TapPort* port = port_of(source);
  if (!port) return;
  {
    std::lock_guard lock(port->core->mu);
    if (port->core->loop == loop) port->core->loop.reset();
  }
  loop_drop_source(loop, source);
}

void stall_active_taps() {
  for (const CorePtr& core : snapshot()) {
    if (core->enabled && !core->dead && !core->listen_only) watch_stall(core);
  }
}

bool deliver_input(const InputEvent& input) {
  if (input_stalled()) {
    if (log_active()) {
      log_effect({{"effect", "input"},
                  {"type", input.type},
                  {"keycode", input.keycode},
                  {"result", "held"}});
    }
    return false;
  }
  bool seen = false;
  bool passed = true;
  for (const CorePtr& core : snapshot()) {
    if (!core->enabled || core->dead) continue;
    if (input.type >= 64 || !(core->mask & cg::mask_bit(input.type))) continue;
    Answer answer = call_tap(core, input, false);
    if (answer == Answer::NotCalled) continue;
    seen = true;
    if (log_active()) {
      log_effect({{"effect", "input"},
                  {"type", input.type},
                  {"keycode", input.keycode},
                  {"tap", core->listen_only ? "listen_only" : "active"},
                  {"result", answer == Answer::Withheld ? "withheld" : "passed"}});
    }
    if (answer == Answer::Withheld) {
      passed = false;
      break;
    }
  }
  if (!seen && log_active()) {
    log_effect({{"effect", "input"},
                {"type", input.type},
                {"keycode", input.keycode},
                {"result", "not_delivered"}});
  }
  return passed;
}

void disable_taps(cg::EventType notice) {
  std::vector<CorePtr> disabled;
  for (const CorePtr& core : snapshot()) {
    if (core->enabled.exchange(false)) disabled.push_back(core);
  }
  log_effect({{"effect", "tap_disabled"},
              {"by", notice == cg::kTapDisabledByTimeout ? "timeout" : "user_input"}});
  InputEvent placeholder;
  placeholder.type = notice;
  for (const CorePtr& core : disabled) call_tap(core, placeholder, true);
}

}  // namespace sim
