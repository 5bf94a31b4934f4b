// Shared pieces of the event side's in-process tests: loading a desktop
// fixture into this process, and a tap served by a thread of its own.
#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/cg_event.h"
#include "platform/run_loop.h"
#include "platform/sim/events.h"
#include "platform/sim/sim.h"
#include "support/desktop.h"

namespace sim::testing {

// Makes the fixture's desktop the one this process runs on.
inline void use(const support::Desktop& desktop) {
  std::ifstream in(desktop.file());
  std::stringstream text;
  text << in.rdbuf();
  ASSERT_EQ(sim::load_for_test(text.str()), "");
  sim::reset_event_side();
}

inline pid_t thread_id() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// Polls `done` every few milliseconds; false if it is still false after
// `timeout`.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// What a tap callback saw of one event.
struct Seen {
  cg::EventType type = 0;
  int64_t keycode = 0, autorepeat = 0, source_pid = 0;
  cg::Flags flags = 0;
  cg::Point at;
  pid_t thread = 0;
};

// A tap created, added to its own thread's run loop and enabled there; the
// thread serves its run loop until the object goes away.
class TapThread {
 public:
  struct Options {
    bool listen_only = false;
    cg::EventMask mask = ~cg::EventMask{0};
    std::function<bool(const Seen&)> withhold = nullptr;  // null: never
    bool reenable = true;                       // after a disabled notice
  };

  explicit TapThread(Options options) : options_(std::move(options)) {
    std::promise<bool> ready;
    auto created = ready.get_future();
    thread_ = std::thread([this, &ready] { body(ready); });
    created_ = created.get();
  }
  ~TapThread() {
    if (loop_) cf::run_loop_stop(loop_);
    thread_.join();
  }

  bool created() const { return created_; }
  pid_t thread() const { return thread_id_; }
  std::vector<Seen> seen() const {
    std::lock_guard lock(mu_);
    return seen_;
  }

 private:
  void body(std::promise<bool>& ready) {
    thread_id_ = thread_id();
    cf::Ref tap = cg::event_tap_create(
        cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
        options_.listen_only ? cg::TapOptions::ListenOnly : cg::TapOptions::Default,
        options_.mask, &TapThread::callback, this);
    if (!tap) {
      ready.set_value(false);
      return;
    }
    tap_ = tap.get();
    {
      cf::Ref source = cf::mach_port_create_run_loop_source(tap.get(), 0);
      cf::run_loop_add_source(cf::run_loop_get_current(), source.get());
    }
    cg::event_tap_enable(tap.get(), true);
    loop_ = cf::run_loop_get_current();
    ready.set_value(true);
    cf::run_loop_run();
  }

  static cf::TypeRef callback(cg::TapProxy, cg::EventType type, cf::TypeRef event,
                              void* user) {
    auto* self = static_cast<TapThread*>(user);
    Seen seen;
    seen.type = type;
    seen.keycode = cg::event_get_integer_field(event, cg::kFieldKeyboardEventKeycode);
    seen.autorepeat = cg::event_get_integer_field(event, cg::kFieldKeyboardEventAutorepeat);
    seen.source_pid = cg::event_get_integer_field(event, cg::kFieldEventSourceUnixProcessID);
    seen.flags = cg::event_get_flags(event);
    seen.at = cg::event_get_location(event);
    seen.thread = thread_id();
    {
      std::lock_guard lock(self->mu_);
      self->seen_.push_back(seen);
    }
    if (type == cg::kTapDisabledByTimeout || type == cg::kTapDisabledByUserInput) {
      if (self->options_.reenable) cg::event_tap_enable(self->tap_, true);
      return event;
    }
    if (self->options_.withhold && self->options_.withhold(seen)) return nullptr;
    return event;
  }

  Options options_;
  std::thread thread_;
  bool created_ = false;
  std::atomic<pid_t> thread_id_{0};
  cf::TypeRef tap_ = nullptr;          // owned by the thread
  cf::RunLoopRef loop_ = nullptr;
  mutable std::mutex mu_;
  std::vector<Seen> seen_;
};

}  // namespace sim::testing
