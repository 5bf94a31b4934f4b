// The annotate mode's speed and footprint, with the real binary driven
// through its desktop's control FIFO: a shift or button event to its
// flushed line; the poller's sampling while tracking is on; what the idle
// process costs with tracking off (samples, processor time, wake-ups) and
// its resident memory.
#include <benchmark/benchmark.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/cg_event.h"

#ifdef QCH_BINARY
#include "support/child.h"
#include "support/desktop.h"
#endif

namespace {

#ifdef QCH_BINARY

using Clock = std::chrono::steady_clock;
using nlohmann::json;

void report(benchmark::State& state, std::vector<double>& samples) {
  if (samples.empty()) return;
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
  state.counters["p50_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = samples.back();
}

json flags(uint64_t value) {
  return {{"action", "input"}, {"type", "flags_changed"}, {"keycode", 56}, {"flags", value}};
}
json button(bool down) {
  return {{"action", "input"}, {"type", down ? "left_mouse_down" : "left_mouse_up"}};
}

// Processor ticks and context switches of each thread of a process.
struct ThreadCost {
  long ticks = 0;
  long switches = 0;
};
std::map<std::string, ThreadCost> thread_costs(int pid) {
  std::map<std::string, ThreadCost> costs;
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return costs;
  while (dirent* entry = readdir(dir)) {
    std::string tid = entry->d_name;
    if (tid == "." || tid == "..") continue;
    ThreadCost cost;
    std::ifstream stat(tasks + "/" + tid + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    if (text.empty()) continue;
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) fields >> skip;  // fields 3..13
    long user = 0, system = 0;
    fields >> user >> system;
    cost.ticks = user + system;
    std::ifstream status(tasks + "/" + tid + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
          line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
        cost.switches += std::stol(line.substr(line.find(':') + 1));
    }
    costs[tid] = cost;
  }
  closedir(dir);
  return costs;
}

double rss_mib(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// Argument 0: shift pressed and released (each a "shift" line); 1: the
// left button down and up with shift up.
void BM_EventToLine(benchmark::State& state) {
  support::Desktop desktop;
  support::Child child({"annotate"}, desktop.env());
  if (child.read_line() != R"({"event":"ready"})") {
    state.SkipWithError("no ready line");
    return;
  }
  std::vector<double> samples;
  bool down = true;
  for (auto _ : state) {
    auto start = Clock::now();
    desktop.act(state.range(0) == 0 ? flags(down ? cg::kFlagShift : 0) : button(down));
    std::optional<std::string> line = child.read_line();
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (!line || line->find(state.range(0) == 0 ? "\"shift\"" : "\"button\"") == std::string::npos) {
      state.SkipWithError(("unexpected line: " + line.value_or("none")).c_str());
      break;
    }
    down = !down;
  }
  report(state, samples);
}
BENCHMARK(BM_EventToLine)->Arg(0)->Arg(1)->Iterations(2000)->UseRealTime();

// The idle process with tracking off for a second, then tracking on with
// the pointer moving 1 point every millisecond for two seconds (every
// sample then gives a line), then idle again; resident memory when idle.
void BM_Polling(benchmark::State& state) {
  support::Desktop desktop;
  support::Child child({"annotate"}, desktop.env());
  if (child.read_line() != R"({"event":"ready"})") {
    state.SkipWithError("no ready line");
    return;
  }
  desktop.act(flags(0));  // opens the FIFO before measuring
  desktop.sync();
  for (auto _ : state) {
    auto idle_before = thread_costs(child.pid());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    auto idle_after = thread_costs(child.pid());
    long idle_ticks = 0, idle_switches = 0;
    for (auto& [tid, cost] : idle_after) {
      idle_ticks += cost.ticks - idle_before[tid].ticks;
      idle_switches += cost.switches - idle_before[tid].switches;
    }
    state.counters["off_threads"] = static_cast<double>(idle_after.size());
    state.counters["off_cpu_ticks_1s"] = static_cast<double>(idle_ticks);
    state.counters["off_switches_1s"] = static_cast<double>(idle_switches);
    state.counters["idle_rss_MiB"] = rss_mib(child.pid());

    desktop.act(flags(cg::kFlagShift));
    if (!child.read_line()) state.SkipWithError("no shift line");
    auto on_before = thread_costs(child.pid());
    auto start = Clock::now();
    auto end = start + std::chrono::seconds(2);
    int lines = 0, off_lines = 0;
    double x = 0;
    while (Clock::now() < end) {
      x += 1;
      desktop.act({{"action", "pointer"}, {"x", x}, {"y", 0}});
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      while (child.read_line(std::chrono::milliseconds(0))) ++lines;
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    auto on_after = thread_costs(child.pid());
    desktop.act(flags(0));
    while (std::optional<std::string> line = child.read_line(std::chrono::milliseconds(50))) {
      if (line->find("\"pointer\"") != std::string::npos) ++lines;
      if (line->find("\"shift\"") != std::string::npos) break;
    }
    // The poller is the first thread the helper starts: the lowest thread
    // id after the main thread's (the desktop's control thread and the
    // command reader come later).
    std::string poller;
    for (auto& [tid, cost] : on_after) {
      if (tid != std::to_string(child.pid()) &&
          (poller.empty() || std::stol(tid) < std::stol(poller)))
        poller = tid;
    }
    long poller_switches = on_after[poller].switches - on_before[poller].switches;
    long poller_ticks = on_after[poller].ticks - on_before[poller].ticks;
    state.counters["on_lines_per_s"] = lines / seconds;
    state.counters["on_ms_per_line"] = 1000.0 * seconds / lines;
    state.counters["on_poller_wakeups_per_s"] = poller_switches / seconds;
    state.counters["on_poller_cpu_ticks_per_s"] = poller_ticks / seconds;

    // Off again: the poller parks, and the pointer may move without cost.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto parked_before = thread_costs(child.pid());
    for (int i = 0; i < 100; ++i) {
      desktop.act({{"action", "pointer"}, {"x", i}, {"y", 0}});
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      while (child.read_line(std::chrono::milliseconds(0))) ++off_lines;
    }
    auto parked_after = thread_costs(child.pid());
    state.counters["off_moving_lines"] = off_lines;
    state.counters["off_poller_switches_1s"] =
        static_cast<double>(parked_after[poller].switches - parked_before[poller].switches);
    state.counters["off_poller_cpu_ticks_1s"] =
        static_cast<double>(parked_after[poller].ticks - parked_before[poller].ticks);
  }
}
BENCHMARK(BM_Polling)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

#endif  // QCH_BINARY

}  // namespace

BENCHMARK_MAIN();
