// The dictate mode's speed: the tap callback path (classify, state, queue)
// through the platform layer, and with the real binary the time from an
// injected input event to its flushed line, the reply to a paste whose field
// changes at once, and the idle process's memory and processor use.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dictation/channel.h"
#include "dictation/state.h"
#include "platform/cg_event.h"
#include "platform/proc.h"
#include "platform/sim/sim.h"

#ifdef QCH_BINARY
#include "support/child.h"
#include "support/desktop.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using dictation::KeyEvent;

// Median and 99th percentile of `samples` (nanoseconds) as counters.
void report(benchmark::State& state, std::vector<double>& samples, const char* unit = "ns") {
  if (samples.empty()) return;
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
  state.counters[std::string("p50_") + unit] = at(0.5);
  state.counters[std::string("p99_") + unit] = at(0.99);
}

double since(Clock::time_point start) {
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// The callback on the events a hotkey user produces most. Argument 0: a
// press, a chord and a release (each queues a line); 1: keystrokes with
// nothing held (no line).
void BM_TapCallback(benchmark::State& state) {
  (void)sim::load_for_test(R"({"processes":{"321":"Dictation Host"}})");
  auto [sender, receiver] = dictation::make_channel<KeyEvent>();
  std::thread drain([r = std::move(receiver)]() mutable {
    while (r.receive()) {
    }
  });
  auto* tap_state = new dictation::State(std::move(sender), dictation::Hotkey::Fn, proc::self());

  cf::Ref fn = cg::event_create_keyboard_event(nullptr, 63, true);
  cf::Ref letter = cg::event_create_keyboard_event(nullptr, 0, true);
  cf::Ref letter_up = cg::event_create_keyboard_event(nullptr, 0, false);
  struct Step {
    cg::EventType type;
    const cf::Ref* event;
    cg::Flags flags;
  };
  const std::vector<Step> lines = {{cg::kFlagsChanged, &fn, cg::kFlagSecondaryFn},
                                   {cg::kKeyDown, &letter, cg::kFlagSecondaryFn},
                                   {cg::kFlagsChanged, &fn, 0}};
  const std::vector<Step> quiet = {{cg::kKeyDown, &letter, 0}, {cg::kKeyUp, &letter_up, 0}};
  const std::vector<Step>& steps = state.range(0) == 0 ? lines : quiet;
  std::vector<double> samples;
  samples.reserve(1 << 20);
  for (auto _ : state) {
    for (const Step& step : steps) {
      cg::event_set_flags(step.event->get(), step.flags);
      auto start = Clock::now();
      benchmark::DoNotOptimize(
          dictation::platform::on_event(nullptr, step.type, step.event->get(), tap_state));
      if (samples.size() < samples.capacity()) samples.push_back(since(start));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(steps.size()));
  report(state, samples);
  delete tap_state;  // closes the channel; the drain ends
  drain.join();
}
BENCHMARK(BM_TapCallback)->Arg(0)->Arg(1);

#ifdef QCH_BINARY

using nlohmann::json;

json fn_input(bool down) {
  return {{"action", "input"}, {"type", 12}, {"keycode", 63},
          {"flags", down ? cg::kFlagSecondaryFn : 0}, {"source_pid", 321}};
}

// Injected input event (written to the control FIFO) to its line on the
// helper's standard output.
void BM_InputToLine(benchmark::State& state) {
  support::Desktop desktop(json{{"processes", {{"321", "Dictation Host"}}}});
  support::Child child({"dictate", "--key", "fn"}, desktop.env());
  if (child.read_line() != R"({"event":"ready"})") {
    state.SkipWithError("no ready line");
    return;
  }
  std::vector<double> samples;
  bool down = true;
  for (auto _ : state) {
    auto start = Clock::now();
    desktop.act(fn_input(down));
    if (!child.read_line()) {
      state.SkipWithError("no key event line");
      break;
    }
    samples.push_back(since(start) / 1000.0);
    down = !down;
  }
  report(state, samples, "us");
}
BENCHMARK(BM_InputToLine)->Iterations(2000)->UseRealTime();

// "paste" with a field that changes as soon as Command+V arrives: the reply
// comes at the first poll.
void BM_PasteReply(benchmark::State& state) {
  json field = {{"id", "field"},
                {"attributes", {{"AXRole", "AXTextArea"}, {"AXValue", "ab"},
                                {"AXSelectedTextRange", {{"range", {2, 0}}}}}},
                {"settable", {"AXValue", "AXSelectedText"}}};
  json desktop_file = {
      {"applications", {{{"pid", 600}, {"ui", {{"id", "app"}, {"children", {field}}}}}}},
      {"focus", "field"},
      {"paste", {{"set", {{{"element", "field"},
                           {"attributes", {{"AXValue", "abc"},
                                           {"AXSelectedTextRange", {{"range", {3, 0}}}}}}}}}}}};
  support::Desktop desktop(desktop_file);
  support::Child child({"dictate", "--key", "fn"}, desktop.env());
  if (child.read_line() != R"({"event":"ready"})") {
    state.SkipWithError("no ready line");
    return;
  }
  std::vector<double> samples;
  for (auto _ : state) {
    state.PauseTiming();
    desktop.act({{"action", "set"}, {"element", "field"},
                 {"attributes", {{"AXValue", "ab"}, {"AXSelectedTextRange", {{"range", {2, 0}}}}}}});
    desktop.sync();
    state.ResumeTiming();
    auto start = Clock::now();
    child.write("paste\n");
    std::optional<std::string> line = child.read_line();
    samples.push_back(since(start) / 1e6);
    if (line != R"({"event":"pasted"})") {
      state.SkipWithError(("unexpected reply: " + line.value_or("none")).c_str());
      break;
    }
  }
  report(state, samples, "ms");
}
BENCHMARK(BM_PasteReply)->Iterations(30)->UseRealTime();

// Resident memory and processor time of an idle helper over a few seconds.
void BM_IdleProcess(benchmark::State& state) {
  support::Child child({"dictate", "--key", "fn"});
  if (child.read_line() != R"({"event":"ready"})") {
    state.SkipWithError("no ready line");
    return;
  }
  std::string proc = "/proc/" + std::to_string(child.pid());
  auto cpu_ticks = [&] {
    std::ifstream stat(proc + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip;  // fields 3..13
    long user = 0, system = 0;
    fields >> user >> system;
    return user + system;
  };
  auto rss_kib = [&] {
    std::ifstream status(proc + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
    return 0.0;
  };
  for (auto _ : state) {
    long before = cpu_ticks();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    long after = cpu_ticks();
    state.counters["idle_cpu_ticks_3s"] = static_cast<double>(after - before);
    state.counters["rss_MiB"] = rss_kib() / 1024.0;
  }
}
BENCHMARK(BM_IdleProcess)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

#endif  // QCH_BINARY

}  // namespace

BENCHMARK_MAIN();
