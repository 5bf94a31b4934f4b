// The run-loop and main-queue calls of the frameworks, over the simulated
// desktop's run loops (drive/run_loop.h).
#include "platform/run_loop.h"

#include <chrono>
#include <mutex>

#include "platform/sim/drive/events_state.h"
#include "platform/sim/drive/run_loop.h"

namespace cf {

RunLoopRef run_loop_get_current() {
  sim::start_event_side();
  return sim::current_loop().get();
}

void run_loop_run() {
  sim::start_event_side();
  sim::LoopPtr loop = sim::current_loop();
  for (;;) {
    sim::Step step = sim::serve_one(*loop, nullptr);
    if (step == sim::Step::Stopped || step == sim::Step::Finished) return;
  }
}

void run_loop_stop(RunLoopRef raw) {
  // The loop's thread may end as soon as it sees the stop: keep the loop
  // alive until it has been notified.
  sim::LoopPtr loop = raw ? raw->weak_from_this().lock() : nullptr;
  if (!loop) return;
  {
    std::lock_guard lock(loop->mu);
    loop->stop = true;
  }
  loop->cv.notify_all();
}

RunResult run_loop_run_in_mode(double seconds, bool return_after_source_handled) {
  sim::start_event_side();
  sim::LoopPtr loop = sim::current_loop();
  auto deadline = sim::Clock::now();
  if (seconds > 0) {
    // Clamp far deadlines (CF treats huge times as "forever").
    double capped = seconds < 1e9 ? seconds : 1e9;
    deadline += std::chrono::duration_cast<sim::Clock::duration>(
        std::chrono::duration<double>(capped));
  }
  for (;;) {
    switch (sim::serve_one(*loop, &deadline)) {
      case sim::Step::Ran:
        if (return_after_source_handled) return RunResult::HandledSource;
        break;
      case sim::Step::Stopped:
        return RunResult::Stopped;
      case sim::Step::TimedOut:
        return RunResult::TimedOut;
      case sim::Step::Finished:
        return RunResult::Finished;
    }
  }
}

}  // namespace cf

namespace dispatch {

void async_main(void* context, void (*work)(void*)) {
  sim::start_event_side();
  sim::LoopPtr loop = sim::main_loop();
  {
    std::lock_guard lock(loop->mu);
    loop->main_queue.emplace_back(context, work);
  }
  loop->cv.notify_all();
}

}  // namespace dispatch
