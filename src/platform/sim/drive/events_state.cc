// The event side's process-wide state, and its start and reset for each
// desktop.
#include "platform/sim/drive/events_state.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/sim/drive/run_loop.h"
#include "platform/sim/drive/control.h"
#include "platform/sim/model/event_objects.h"
#include "platform/sim/model/log.h"
#include "platform/sim/model/state.h"

namespace sim {
namespace {

struct Side {
  std::mutex init_mu;             // serialises starts and resets
  std::atomic<bool> started{false};
  std::atomic<uint64_t> generation{1};
  std::atomic<uint64_t> started_for{0};  // data_generation() when started
  std::vector<ScriptItem> script;
  bool script_started = false;
  std::atomic<bool> taps_refused{false};
  std::atomic<bool> hid_device_bits{true};
  std::atomic<double> tap_timeout_ms{1000};

  std::mutex input_mu;
  InputState input;

  // Scheduled creation failures of one event kind: `skip` more creations
  // succeed, then `fail` fail.
  struct Failures {
    int64_t skip = 0;
    int64_t fail = 0;
  };
  std::mutex fail_mu;
  Failures fail_keyboard;
  Failures fail_plain;
};

Side& side() {
  static Side* s = new Side;  // never destroyed: detached threads use it
  return *s;
}

}  // namespace

namespace {

// Generation of the data side's desktop: it changes only when a test loads
// another desktop, and then the event side starts over.
uint64_t data_generation() {
  State& st = state();
  std::lock_guard lock(st.mu);
  return st.generation;
}

// Under init_mu.
void forget(Side& s) {
  s.generation.fetch_add(1);
  s.started.store(false, std::memory_order_release);
  log_open("");
  {
    std::lock_guard lock(s.fail_mu);
    s.fail_keyboard = s.fail_plain = {};
  }
  reset_main_loop();
}

}  // namespace

void start_event_side() {
  Side& s = side();
  uint64_t data = data_generation();
  if (s.started.load(std::memory_order_acquire) && s.started_for.load() == data) return;
  EventSettings settings = event_settings();
  std::lock_guard lock(s.init_mu);
  // A caller that read the data side's generation before another desktop
  // was loaded and started for (a thread of an older desktop, delayed) is
  // too late: starting again would bring back the old desktop's input state
  // and settings in the middle of the new one's.
  if (data < s.started_for.load()) return;
  if (s.started.load(std::memory_order_relaxed)) {
    if (s.started_for.load() == data) return;
    forget(s);
  }
  {
    std::lock_guard input_lock(s.input_mu);
    s.input = InputState{settings.flags, settings.left_button,
                         settings.pointer_x, settings.pointer_y, KeyState()};
  }
  s.script = std::move(settings.script);
  std::stable_sort(s.script.begin(), s.script.end(),
                   [](const ScriptItem& a, const ScriptItem& b) {
                     return a.at_ms < b.at_ms;
                   });
  s.script_started = false;
  s.taps_refused.store(settings.tap_refused);
  s.hid_device_bits.store(settings.hid_device_bits);
  s.tap_timeout_ms.store(settings.tap_timeout_ms);
  log_open(settings.log_path);
  if (!settings.control_path.empty()) {
    start_control_thread(settings.control_path, s.generation.load());
  }
  s.started_for.store(data);
  s.started.store(true, std::memory_order_release);
}

void reset_event_side() {
  Side& s = side();
  std::lock_guard lock(s.init_mu);
  forget(s);
}

bool log_enabled() {
  start_event_side();
  return log_active();
}

void log_effect(const nlohmann::json& line) {
  start_event_side();
  log_write(line);
}

bool taps_refused() { return side().taps_refused.load(); }

uint64_t event_generation() { return side().generation.load(); }

InputState input_state() {
  Side& s = side();
  std::lock_guard lock(s.input_mu);
  return s.input;
}

void set_input_flags(uint64_t flags) {
  Side& s = side();
  std::lock_guard lock(s.input_mu);
  s.input.flags = flags;
  s.input.keys.flags_set(flags);
}

void note_input_key(cg::EventType type, int64_t keycode, uint64_t flags) {
  Side& s = side();
  std::lock_guard lock(s.input_mu);
  s.input.keys.apply(type, keycode, flags);
}

bool hid_device_bits() { return side().hid_device_bits.load(); }
void set_hid_device_bits(bool on) { side().hid_device_bits.store(on); }
double tap_timeout_ms() { return side().tap_timeout_ms.load(); }

void set_input_button(bool down) {
  Side& s = side();
  std::lock_guard lock(s.input_mu);
  s.input.left_button = down;
}

void set_input_pointer(double x, double y) {
  Side& s = side();
  std::lock_guard lock(s.input_mu);
  s.input.x = x;
  s.input.y = y;
}

cf::Ref make_event(cg::EventType type) {
  InputState input = input_state();
  auto* event = new Event;
  event->type = type;
  event->flags = input.flags;
  event->location = {input.x, input.y};
  return adopt_new(event);
}

void start_script_once() {
  Side& s = side();
  std::vector<ScriptItem> script;
  uint64_t generation;
  {
    std::lock_guard lock(s.init_mu);
    if (s.script_started) return;
    s.script_started = true;
    script = s.script;
    generation = s.generation.load();
  }
  if (!script.empty()) start_script_thread(std::move(script), generation);
}

void fail_events(EventKind kind, int64_t count, int64_t after) {
  start_event_side();
  Side& s = side();
  std::lock_guard lock(s.fail_mu);
  (kind == EventKind::Keyboard ? s.fail_keyboard : s.fail_plain) = {
      after > 0 && count > 0 ? after : 0, count > 0 ? count : 0};
}

bool take_event_failure(EventKind kind) {
  Side& s = side();
  std::lock_guard lock(s.fail_mu);
  Side::Failures& f =
      kind == EventKind::Keyboard ? s.fail_keyboard : s.fail_plain;
  if (f.fail == 0) return false;
  if (f.skip > 0) {
    --f.skip;
    return false;
  }
  --f.fail;
  return true;
}

}  // namespace sim
