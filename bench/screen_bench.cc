// Screen reading: a whole 400-element walk through Node over the simulated
// accessibility layer (elements answer at once), and with the real binary
// the time from a "screen_focus" or "screen_text" command to its reply when
// the application never answers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "macos_screen/node.h"
#include "macos_screen/reader.h"
#include "platform/sim/sim.h"
#include "screen_text/nearby.h"

#ifdef QCH_BINARY
#include "support/child.h"
#include "support/desktop.h"
#endif

namespace {

using nlohmann::json;
using namespace frontmost::platform::screen;
using Clock = std::chrono::steady_clock;

json rect(double x, double y) { return {{"rect", {x, y, 300, 20}}}; }

// A window of 20 groups of 25 static texts each, the field among the groups.
// Most texts repeat an earlier one, so the character limit is never reached
// and the walk ends at its element limit.
json big_window() {
  json groups = json::array();
  for (int g = 0; g < 20; ++g) {
    json texts = json::array();
    for (int t = 0; t < 25; ++t) {
      std::string value = t == 0 ? "Group heading " + std::to_string(g) : "Row label";
      texts.push_back({{"attributes", {{"AXRole", "AXStaticText"}, {"AXValue", value},
                                       {"AXFrame", rect(10, 10 + t)}}}});
    }
    groups.push_back({{"attributes", {{"AXRole", "AXGroup"}, {"AXFrame", rect(0, g * 30)}}},
                      {"children", texts}});
  }
  json field = {{"id", "field"},
                {"attributes", {{"AXRole", "AXTextArea"}, {"AXValue", "draft"},
                                {"AXFrame", rect(0, 600)}}}};
  groups.insert(groups.begin() + 10, field);
  json window = {{"attributes", {{"AXRole", "AXWindow"}, {"AXFrame", {{"rect", {0, 0, 1000, 800}}}}}},
                 {"children", groups}};
  return {{"applications",
           {{{"pid", 42},
             {"ui", {{"attributes", {{"AXRole", "AXApplication"}}}, {"children", {window}}}}}}},
          {"focus", "field"}};
}

void BM_Walk400(benchmark::State& state) {
  std::string refused = sim::load_for_test(big_window().dump());
  if (!refused.empty()) return state.SkipWithError(refused.c_str());
  std::string text;
  for (auto _ : state) {
    Reader reader(std::chrono::hours(1));
    cf::Ref system_wide = ax::create_system_wide();
    cf::Ref focused;
    ax::copy_attribute_value(system_wide.get(), "AXFocusedUIElement", &focused);
    text = screen_text::nearby_text(std::make_unique<Node>(std::move(focused), reader),
                                    {0, 0, 1000, 800}, screen_text::kLimits, reader.deadline(),
                                    reader.clock());
  }
  state.SetLabel(std::to_string(std::count(text.begin(), text.end(), '\n') + 1) + " texts");
}
BENCHMARK(BM_Walk400)->Unit(benchmark::kMicrosecond);

#ifdef QCH_BINARY

// p50 and p99 of `samples` (milliseconds) as counters.
void report(benchmark::State& state, std::vector<double>& samples) {
  if (samples.empty()) return;
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
  state.counters["p50_ms"] = at(0.5);
  state.counters["p99_ms"] = at(0.99);
  state.counters["max_ms"] = samples.back();
}

double since_ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// An application whose every element answers after a minute, unless the
// bench gives the field and window a delay of their own.
json hung_desktop() {
  json field = {{"id", "field"},
                {"attributes", {{"AXRole", "AXTextField"}, {"AXValue", "hello"},
                                {"AXSelectedTextRange", {{"range", {5, 0}}}}}}};
  json window = {{"id", "window"},
                 {"attributes", {{"AXRole", "AXWindow"}, {"AXFrame", {{"rect", {0, 0, 800, 600}}}}}},
                 {"children", {field}}};
  return {{"applications",
           {{{"pid", 830}, {"name", "Spinner"}, {"delay_ms", 60000},
             {"ui", {{"attributes", {{"AXRole", "AXApplication"}}}, {"children", {window}}}}}}},
          {"focus", "field"}};
}

bool ready(support::Child& child) { return child.read_line() == R"({"event":"ready"})"; }

void BM_ScreenFocusHung(benchmark::State& state) {
  support::Desktop desktop(hung_desktop());
  support::Child child({"dictate", "--key", "fn"}, desktop.env());
  if (!ready(child)) return state.SkipWithError("no ready line");
  std::vector<double> samples;
  for (auto _ : state) {
    auto start = Clock::now();
    child.write("screen_focus\n");
    std::optional<std::string> line = child.read_line();
    samples.push_back(since_ms(start));
    if (!line || line->find("\"complete\":false") == std::string::npos) {
      return state.SkipWithError(("unexpected reply: " + line.value_or("none")).c_str());
    }
  }
  report(state, samples);
}
BENCHMARK(BM_ScreenFocusHung)->Iterations(50)->UseRealTime()->Unit(benchmark::kMillisecond);

// Each run: a complete focus report while the field answers, then the
// application hangs and "screen_text" is timed.
void BM_ScreenTextHung(benchmark::State& state) {
  support::Desktop desktop(hung_desktop());
  support::Child child({"dictate", "--key", "fn"}, desktop.env());
  if (!ready(child)) return state.SkipWithError("no ready line");
  auto delay = [&](double ms) {
    for (const char* id : {"field", "window"})
      desktop.act({{"action", "delay"}, {"element", id}, {"delay_ms", ms}});
    desktop.sync();
  };
  std::vector<double> samples;
  for (auto _ : state) {
    state.PauseTiming();
    delay(0);
    child.write("screen_focus\n");
    std::optional<std::string> focus = child.read_line();
    if (!focus || focus->find("\"complete\":true") == std::string::npos) {
      return state.SkipWithError(("focus not complete: " + focus.value_or("none")).c_str());
    }
    delay(60000);
    state.ResumeTiming();
    auto start = Clock::now();
    child.write("screen_text 830\n");
    std::optional<std::string> line = child.read_line();
    samples.push_back(since_ms(start));
    if (!line) return state.SkipWithError("no reply");
  }
  report(state, samples);
}
BENCHMARK(BM_ScreenTextHung)->Iterations(50)->UseRealTime()->Unit(benchmark::kMillisecond);

// A focused field whose application hands over eight texts of 4 MB each:
// six label attributes, the title element's value and the window title.
// The report can show a few hundred characters of each; the time is the
// report's own work on them (the application answers at once).
json long_label_desktop() {
  std::string big;
  while (big.size() < 4'000'000) big += "Quarterly report section 12 of the annual plan, d\u00e9j\u00e0 vu ";
  json title = {{"id", "caption"},
                {"attributes", {{"AXRole", "AXStaticText"}, {"AXTitle", "Caption"}, {"AXValue", big}}}};
  json attributes = {{"AXRole", "AXTextArea"}, {"AXValue", "draft"},
                     {"AXTitleUIElement", {{"element", "caption"}}}};
  for (const char* name : {"AXTitle", "AXDescription", "AXPlaceholderValue", "AXHelp",
                           "AXIdentifier", "AXDOMIdentifier"})
    attributes[name] = big;
  json field = {{"id", "field"}, {"attributes", attributes}};
  json window = {{"id", "window"},
                 {"attributes", {{"AXRole", "AXWindow"}, {"AXTitle", big},
                                 {"AXFrame", {{"rect", {0, 0, 800, 600}}}}}},
                 {"children", {title, field}}};
  return {{"applications",
           {{{"pid", 830}, {"name", "Writer"},
             {"ui", {{"attributes", {{"AXRole", "AXApplication"}}}, {"children", {window}}}}}}},
          {"focus", "field"}};
}

void BM_ScreenFocusLongLabels(benchmark::State& state) {
  support::Desktop desktop(long_label_desktop());
  support::Child child({"dictate", "--key", "fn"}, desktop.env());
  if (!child.read_line(std::chrono::milliseconds(60000)).has_value())
    return state.SkipWithError("no ready line");
  std::vector<double> samples;
  int complete = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    child.write("screen_focus\n");
    std::optional<std::string> line = child.read_line(std::chrono::milliseconds(10000));
    samples.push_back(since_ms(start));
    if (!line || line->find("\"labels\":[") == std::string::npos) {
      return state.SkipWithError(("unexpected reply: " + line.value_or("none").substr(0, 200)).c_str());
    }
    complete += line->find("\"complete\":true") != std::string::npos;
  }
  report(state, samples);
  state.counters["complete"] = static_cast<double>(complete) / static_cast<double>(samples.size());
}
BENCHMARK(BM_ScreenFocusLongLabels)->Iterations(100)->UseRealTime()->Unit(benchmark::kMillisecond);

#endif  // QCH_BINARY

}  // namespace

BENCHMARK_MAIN();
