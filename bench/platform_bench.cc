// Cost of the simulated platform layer itself, so that timing-sensitive
// behaviour of the helper (budgets of a few milliseconds) is not eaten by
// the simulator. Target: one attribute read with no delay under 2 us.
#include <benchmark/benchmark.h>

#include <string_view>

#include "platform/ax.h"
#include "platform/library.h"
#include "platform/sim/sim.h"

namespace {

constexpr const char* kDesktop = R"({
  "applications": [{"pid": 1, "ui": {"id": "app",
    "attributes": {"AXRole": "AXApplication"},
    "children": [{"id": "win", "attributes": {"AXRole": "AXWindow"},
      "children": [{"id": "field", "attributes": {
        "AXRole": "AXTextArea", "AXValue": "The quick brown fox",
        "AXSelectedTextRange": {"range": [19, 0]},
        "AXFrame": {"rect": [0, 0, 100, 20]}}}]}]}}],
  "focus": "field"})";

cf::Ref focused_field() {
  if (!sim::load_for_test(kDesktop).empty()) return cf::Ref();
  cf::Ref system = ax::create_system_wide();
  cf::Ref field;
  ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &field);
  return field;
}

void BM_AttributeRead(benchmark::State& state) {
  cf::Ref field = focused_field();
  if (!field) state.SkipWithError("no focused field");
  for (auto _ : state) {
    cf::Ref value;
    benchmark::DoNotOptimize(
        ax::copy_attribute_value(field.get(), "AXValue", &value));
  }
}
BENCHMARK(BM_AttributeRead);

void BM_DerivedElementRead(benchmark::State& state) {
  cf::Ref field = focused_field();
  for (auto _ : state) {
    cf::Ref value;
    benchmark::DoNotOptimize(
        ax::copy_attribute_value(field.get(), "AXWindow", &value));
  }
}
BENCHMARK(BM_DerivedElementRead);

void BM_MultipleRead(benchmark::State& state) {
  cf::Ref field = focused_field();
  const std::string_view names[] = {"AXRole", "AXFrame", "AXEditableAncestor"};
  for (auto _ : state) {
    cf::Ref values;
    benchmark::DoNotOptimize(
        ax::copy_multiple_attribute_values(field.get(), names, 0, &values));
  }
}
BENCHMARK(BM_MultipleRead);

// The key lookup of a paste: 128 translations.
void BM_FindKeyForV(benchmark::State& state) {
  sim::load_for_test("{}");
  void* carbon = dl::open(carbon::kPath, dl::kLazy);
  auto source = reinterpret_cast<
      carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn>(
      dl::symbol(carbon, "TISCopyCurrentASCIICapableKeyboardLayoutInputSource"));
  auto property = reinterpret_cast<carbon::TISGetInputSourcePropertyFn>(
      dl::symbol(carbon, "TISGetInputSourceProperty"));
  auto translate = reinterpret_cast<carbon::UCKeyTranslateFn>(
      dl::symbol(carbon, "UCKeyTranslate"));
  auto* key = static_cast<cf::TypeRef*>(
      dl::symbol(carbon, "kTISPropertyUnicodeKeyLayoutData"));
  for (auto _ : state) {
    cf::Ref input(source());
    const void* layout = cf::data_bytes(property(input.get(), *key));
    for (uint16_t code = 0; code < 128; ++code) {
      uint32_t dead = 0;
      uint64_t length = 0;
      char16_t units[4];
      benchmark::DoNotOptimize(translate(layout, code, 3, 0, 40, 1, &dead, 4,
                                         &length, units));
    }
  }
}
BENCHMARK(BM_FindKeyForV);

}  // namespace

BENCHMARK_MAIN();
