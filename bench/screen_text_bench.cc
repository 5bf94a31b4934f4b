// Clipping 1 MiB texts of several shapes, and walks over trees in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "screen_text/clip.h"
#include "screen_text/nearby.h"
#include "screen_text/tree_testing.h"

namespace {

constexpr size_t kMiB = 1 << 20;

std::string repeat_to_mib(std::string_view piece) {
  std::string out;
  out.reserve(kMiB + piece.size());
  while (out.size() < kMiB) out += piece;
  out.resize(kMiB);
  while ((static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
  if (static_cast<unsigned char>(out.back()) >= 0xC0) out.pop_back();  // a lead byte alone
  return out;
}

std::string shape(int which) {
  switch (which) {
    case 0:
      return repeat_to_mib("The quick brown fox, 3 times over the lazy dog.  Then\n\tagain ");
    case 1:
      return std::string(kMiB, 'w');
    case 2:
      return repeat_to_mib("1,234 5678 90 ");
    case 3:
      return repeat_to_mib("\u041F\u0440\u0438\u0432\u0435\u0442\u00A0\u4E16\u754C\u3000"
                           "caf\u00E9 \U0001F600 ");
    default:
      return repeat_to_mib(" \t\n");
  }
}

void label(benchmark::State& state, int which) {
  static const char* names[] = {"prose", "one_word", "digits", "non_ascii", "blank"};
  state.SetLabel(names[which]);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMiB));
}

void BM_Clip160(benchmark::State& state) {
  std::string text = shape(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(screen_text::clip(text, 160));
  label(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_Clip160)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// A limit the text fits in: the whole text is normalised.
void BM_ClipWhole(benchmark::State& state) {
  std::string text = shape(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(screen_text::clip(text, kMiB));
  label(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_ClipWhole)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void BM_BothEnds200(benchmark::State& state) {
  std::string text = shape(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(screen_text::both_ends(text, 200));
  label(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_BothEnds200)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// A window of 64 panels of 8 labels each around the focused field. With
// `all_chars` the character limit is lifted, so every label is clipped and
// kept; with the usual limits the labels soon stop fitting, and the walk
// goes on to its 400 elements keeping little more.
void walk(benchmark::State& state, bool all_chars) {
  using screen_text::testing::Tree;
  Tree tree;
  int window = tree.add(tree.add(-1, "AXApplication"), "AXWindow");
  int form = tree.add(window, "AXGroup");
  int field = tree.add(form, "AXTextField");
  for (int p = 0; p < 64; ++p) {
    int panel = tree.add(p % 2 ? form : window, "AXGroup");
    for (int k = 0; k < 8; ++k)
      tree.add(panel, "AXStaticText",
               "Label number " + std::to_string(p * 8 + k) + " of the settings panel");
  }
  screen_text::Limits limits = screen_text::kLimits;
  if (all_chars) limits.total_chars = UINT64_MAX;
  screen_text::Rect area{0, 0, 1000, 800};
  size_t visited = 0, kept = 0;
  for (auto _ : state) {
    tree.shown.clear();
    std::string text = screen_text::nearby_text(tree.element(field), area, limits,
                                                screen_text::Instant::max(), tree.now());
    benchmark::DoNotOptimize(text.data());
    visited = tree.shown.size();
    kept = text.size();
  }
  state.counters["elements"] = static_cast<double>(visited);
  state.counters["bytes_kept"] = static_cast<double>(kept);
}

void BM_Walk400(benchmark::State& state) { walk(state, true); }
BENCHMARK(BM_Walk400)->Unit(benchmark::kMicrosecond);

void BM_WalkUsualLimits(benchmark::State& state) { walk(state, false); }
BENCHMARK(BM_WalkUsualLimits)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
