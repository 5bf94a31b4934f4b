// Serializing a typical key event line.
#include <benchmark/benchmark.h>

#include "json/write.h"

namespace {

void BM_SerializeKeyEvent(benchmark::State& state) {
  json::Value line = {{"event", "down"},       {"flags", "0x800100"},
                      {"keycode", 63},         {"kind", "flags_changed"},
                      {"source", "WindowServer"}, {"source_pid", 381}};
  std::string out;
  for (auto _ : state) {
    out.clear();
    json::serialize_to(line, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SerializeKeyEvent);

void BM_WriteDouble(benchmark::State& state) {
  std::string out;
  double v = 1234.5678;
  for (auto _ : state) {
    out.clear();
    json::write_double(v, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_WriteDouble);

}  // namespace

BENCHMARK_MAIN();
