// One full-size (1 MiB) inspect request through the pure request path, for
// the shapes that cost the most per byte. Target: under 20 ms each.
#include <string>

#include <benchmark/benchmark.h>

#include "inspect/answer.h"

namespace {

// `head` + repeats of `item` (comma separated) + `tail`, filling the limit.
std::string filled(const std::string& head, const std::string& item, const std::string& tail) {
  std::string text = head;
  while (text.size() + item.size() + 1 + tail.size() <= inspect::kRequestLimit) {
    if (text.size() > head.size()) text += ',';
    text += item;
  }
  text += tail;
  text += std::string(inspect::kRequestLimit - text.size(), ' ');
  return text;
}

void run(benchmark::State& state, const std::string& input, int expected_status) {
  for (auto _ : state) {
    inspect::Answer a = inspect::answer(input);
    if (a.status != expected_status) state.SkipWithError("unexpected status");
    benchmark::DoNotOptimize(a);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(input.size()));
}

void BM_Pids(benchmark::State& state) {
  run(state, filled("{\"pids\":[", "1", "]}"), 0);
}
void BM_Windows(benchmark::State& state) {
  run(state, filled("{\"windows\":[", "18446744073709551615", "]}"), 0);
}
void BM_Points(benchmark::State& state) {
  run(state, filled("{\"points\":[", "[1,2]", "]}"), 0);
}
void BM_Files(benchmark::State& state) {
  run(state, filled("{\"files\":[", "\"C:\\\\dir\\\\nul.txt\"", "]}"), 0);
}
void BM_ShortDistinctFiles(benchmark::State& state) {
  std::string text = "{\"files\":[";
  for (int i = 0; text.size() < inspect::kRequestLimit - 32; ++i)
    text += (i ? ",\"C:/" : "\"C:/") + std::to_string(i) + "\"";
  text += "]}";
  run(state, text, 0);
}
void BM_UnknownText(benchmark::State& state) {
  std::string text = "{\"note\":\"" + std::string(inspect::kRequestLimit - 12, 'x') + "\"}";
  run(state, text, 0);
}
void BM_DeepNesting(benchmark::State& state) {
  size_t depth = (inspect::kRequestLimit - 8) / 2;
  run(state, "{\"x\":" + std::string(depth, '[') + std::string(depth, ']') + "}", 0);
}

BENCHMARK(BM_Pids)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Windows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShortDistinctFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnknownText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeepNesting)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
