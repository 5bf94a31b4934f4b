// Run loops of the simulated desktop.
//
// Each thread has one run loop, made on first use and ended when the thread
// ends; the process's initial thread has the main run loop, which lives for
// the whole process and also drains the main dispatch queue. Other threads
// hand work to a loop ("source work", e.g. a tap delivery); it runs on the
// loop's thread the next time that thread serves its loop. Waiting threads
// sleep on a condition variable: an idle loop uses no CPU.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/cf.h"

namespace cf {

struct RunLoop : std::enable_shared_from_this<RunLoop> {
  explicit RunLoop(bool is_main) : main(is_main) {}

  // Source work: called with true on the loop's thread, or with false (on
  // any thread) when the loop ends before serving it.
  using Work = std::function<void(bool run)>;
  using MainItem = std::pair<void*, void (*)(void*)>;

  const bool main;
  std::mutex mu;
  std::condition_variable cv;
  std::deque<Work> work;
  std::deque<MainItem> main_queue;  // main loop only
  std::vector<TypeRef> sources;     // retained; released when the loop ends
  bool stop = false;                // sticky until a run returns Stopped
  bool alive = true;
  bool in_main_item = false;        // a main-queue item is running
};

}  // namespace cf

namespace sim {

using LoopPtr = std::shared_ptr<cf::RunLoop>;

// The calling thread's run loop (made on first use).
LoopPtr current_loop();
// The main run loop.
LoopPtr main_loop();
bool on_main_thread();

// Queues source work on `loop`, or runs it at once when the caller is the
// loop's own thread. Returns false (without calling `work`) when the loop
// has ended.
bool post_work(const LoopPtr& loop, cf::RunLoop::Work work);

// Takes a reference to `source` into the loop (CFRunLoopAddSource retains).
void loop_keep_source(const LoopPtr& loop, cf::TypeRef source);

// Gives back the loop's reference to `source`, if it holds one.
void loop_drop_source(const LoopPtr& loop, cf::TypeRef source);

// Ends the process with a diagnostic unless called on the main thread: the
// system's text input calls assert that (keyboard layouts, keyboard events).
void require_main_thread(const char* what);

using Clock = std::chrono::steady_clock;
enum class Step { Ran, Stopped, TimedOut, Finished };

// Serves one item of the caller's own loop `loop`, waiting for one until
// `deadline` (none: forever).
Step serve_one(cf::RunLoop& loop, const Clock::time_point* deadline);

// Tests: drops the main loop's sources and pending main-queue items, and
// clears a pending stop.
void reset_main_loop();

}  // namespace sim
