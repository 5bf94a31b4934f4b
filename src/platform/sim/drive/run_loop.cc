// Run loops and the main queue: per-thread loops, work items, stops and
// timed runs. The framework calls over them are in api/run_loop.cc.
#include "platform/sim/drive/run_loop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace sim {
namespace {

// Ends a thread's loop when the thread ends: pending work is dropped (its
// senders learn it was not run) and the sources are released.
void end_loop(const LoopPtr& loop) {
  std::deque<cf::RunLoop::Work> work;
  std::vector<cf::TypeRef> sources;
  {
    std::lock_guard lock(loop->mu);
    loop->alive = false;
    work.swap(loop->work);
    sources.swap(loop->sources);
  }
  for (auto& w : work) w(false);
  for (cf::TypeRef s : sources) cf::release(s);
}

struct ThreadLoop {
  LoopPtr loop;
  ~ThreadLoop() {
    if (loop) end_loop(loop);
  }
};

thread_local ThreadLoop THREAD_LOOP;

bool is_current(const cf::RunLoop& loop) {
  return loop.main ? on_main_thread() : THREAD_LOOP.loop.get() == &loop;
}

// A main-queue item may run: main loop, not inside another main-queue item.
bool main_ready(const cf::RunLoop& loop) {
  return loop.main && !loop.in_main_item && !loop.main_queue.empty();
}

// Nothing to serve, ever: a thread loop without sources or work
// (CFRunLoopRun returns at once then). The main loop always serves the
// main queue.
bool finished(const cf::RunLoop& loop) {
  return !loop.main && loop.sources.empty() && loop.work.empty();
}

}  // namespace

Step serve_one(cf::RunLoop& loop, const Clock::time_point* deadline) {
  std::unique_lock lock(loop.mu);
  if (finished(loop)) return Step::Finished;
  auto ready = [&] { return loop.stop || !loop.work.empty() || main_ready(loop); };
  if (deadline) {
    if (!loop.cv.wait_until(lock, *deadline, ready)) return Step::TimedOut;
  } else {
    loop.cv.wait(lock, ready);
  }
  if (loop.stop) {
    loop.stop = false;
    return Step::Stopped;
  }
  if (!loop.work.empty()) {
    cf::RunLoop::Work work = std::move(loop.work.front());
    loop.work.pop_front();
    lock.unlock();
    work(true);
    return Step::Ran;
  }
  cf::RunLoop::MainItem item = loop.main_queue.front();
  loop.main_queue.pop_front();
  loop.in_main_item = true;
  lock.unlock();
  item.second(item.first);
  lock.lock();
  loop.in_main_item = false;
  return Step::Ran;
}

LoopPtr main_loop() {
  // Never destroyed: detached threads may post to it during exit.
  static LoopPtr* loop = new LoopPtr(std::make_shared<cf::RunLoop>(true));
  return *loop;
}

LoopPtr current_loop() {
  if (on_main_thread()) return main_loop();
  if (!THREAD_LOOP.loop) THREAD_LOOP.loop = std::make_shared<cf::RunLoop>(false);
  return THREAD_LOOP.loop;
}

bool post_work(const LoopPtr& loop, cf::RunLoop::Work work) {
  if (is_current(*loop)) {
    work(true);
    return true;
  }
  {
    std::lock_guard lock(loop->mu);
    if (!loop->alive) return false;
    loop->work.push_back(std::move(work));
  }
  loop->cv.notify_all();
  return true;
}

void loop_keep_source(const LoopPtr& loop, cf::TypeRef source) {
  cf::retain(source);
  {
    std::lock_guard lock(loop->mu);
    if (loop->alive) {
      loop->sources.push_back(source);
      return;
    }
  }
  cf::release(source);
}

void loop_drop_source(const LoopPtr& loop, cf::TypeRef source) {
  bool held = false;
  {
    std::lock_guard lock(loop->mu);
    auto it = std::find(loop->sources.begin(), loop->sources.end(), source);
    if (it != loop->sources.end()) {
      loop->sources.erase(it);
      held = true;
    }
  }
  if (held) cf::release(source);
}

void require_main_thread(const char* what) {
  if (on_main_thread()) return;
  (void)std::fprintf(stderr,
                     "quorvel-computer-helper: simulated desktop: %s called off the main thread\n",
                     what);
  std::abort();
}

void reset_main_loop() {
  LoopPtr loop = main_loop();
  std::vector<cf::TypeRef> sources;
  {
    std::lock_guard lock(loop->mu);
    sources.swap(loop->sources);
    loop->main_queue.clear();
    loop->stop = false;
  }
  for (cf::TypeRef s : sources) cf::release(s);
}

}  // namespace sim
