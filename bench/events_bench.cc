// Delivery of an injected input event to a tap callback on another thread
// (target: under 20 µs per event), and the same with the tap on the calling
// thread, which leaves out the thread hand-over.
#include <atomic>
#include <future>
#include <thread>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "platform/cg_event.h"
#include "platform/run_loop.h"
#include "platform/sim/sim.h"

namespace {

std::atomic<int64_t> CALLS{0};

cf::TypeRef count_event(cg::TapProxy, cg::EventType, cf::TypeRef event, void*) {
  CALLS.fetch_add(1, std::memory_order_relaxed);
  return event;
}

cf::Ref make_tap() {
  cf::Ref tap = cg::event_tap_create(cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
                                     cg::TapOptions::Default, cg::mask_bit(cg::kKeyDown),
                                     count_event, nullptr);
  cf::Ref source = cf::mach_port_create_run_loop_source(tap.get(), 0);
  cf::run_loop_add_source(cf::run_loop_get_current(), source.get());
  cg::event_tap_enable(tap.get(), true);
  return tap;
}

const nlohmann::json& key_down() {
  static const nlohmann::json action = {
      {"action", "input"}, {"type", "key_down"}, {"keycode", 49}, {"flags", cg::kFlagSecondaryFn}};
  return action;
}

void BM_DeliverToTapThread(benchmark::State& state) {
  std::promise<cf::RunLoopRef> ready;
  std::thread tap_thread([&ready] {
    cf::Ref tap = make_tap();
    ready.set_value(cf::run_loop_get_current());
    cf::run_loop_run();
    cg::event_tap_enable(tap.get(), false);
  });
  cf::RunLoopRef loop = ready.get_future().get();
  int64_t before = CALLS.load();
  for (auto _ : state) {
    std::string reason = sim::apply_action(key_down());
    benchmark::DoNotOptimize(reason);
  }
  cf::run_loop_stop(loop);
  tap_thread.join();
  if (CALLS.load() - before != static_cast<int64_t>(state.iterations())) {
    state.SkipWithError("events were lost");
  }
}
BENCHMARK(BM_DeliverToTapThread)->UseRealTime();

void BM_DeliverOnTheTapsThread(benchmark::State& state) {
  int64_t before = CALLS.load();
  std::thread([&state] {
    cf::Ref tap = make_tap();
    for (auto _ : state) {
      std::string reason = sim::apply_action(key_down());
      benchmark::DoNotOptimize(reason);
    }
    cg::event_tap_enable(tap.get(), false);
  }).join();
  if (CALLS.load() - before != static_cast<int64_t>(state.iterations())) {
    state.SkipWithError("events were lost");
  }
}
BENCHMARK(BM_DeliverOnTheTapsThread)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
