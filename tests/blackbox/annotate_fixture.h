// The annotate mode as a host sees it: the real binary against a simulated
// desktop driven through its control FIFO, scenes played as tables of
// actions and the lines each must bring.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace annotate_test {

using nlohmann::json;
using std::chrono::milliseconds;

inline constexpr uint64_t kShift = 0x20000, kControl = 0x40000, kOption = 0x80000,
                          kCommand = 0x100000, kCapsLock = 0x10000, kFn = 0x800000;

inline json flags(uint64_t value) {
  return {{"action", "input"}, {"type", "flags_changed"}, {"keycode", 56}, {"flags", value}};
}
inline json input(const char* type, json extra = json::object()) {
  extra["action"] = "input";
  extra["type"] = type;
  return extra;
}
inline json pointer(double x, double y) { return {{"action", "pointer"}, {"x", x}, {"y", y}}; }

// Expected lines without their "t".
inline std::string shift_line(bool held, bool alone, double x, double y) {
  return json{{"event", "shift"}, {"held", held}, {"alone", alone}, {"x", x}, {"y", y}}.dump();
}
inline std::string button_line(bool down, double x, double y) {
  return json{{"event", "button"}, {"state", down ? "down" : "up"}, {"x", x}, {"y", y}}.dump();
}
inline std::string pointer_line(double x, double y) {
  return json{{"event", "pointer"}, {"x", x}, {"y", y}}.dump();
}
inline const std::string kKeyLine = R"({"event":"key"})";
inline const std::string kReenabled = R"({"event":"tap_reenabled"})";

inline uint64_t wall_ms_now() {
  return static_cast<uint64_t>(std::chrono::duration_cast<milliseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count());
}

// One action and the lines that must follow it (and come before those of
// the next step: a line that should not be there shows up in their place).
struct Step {
  json action;
  std::vector<std::string> lines;
};

class Annotate {
 public:
  explicit Annotate(json desktop = json::object())
      : desktop_(std::move(desktop)), started_ms_(wall_ms_now()),
        child_({"annotate"}, desktop_.env()) {}
  // Every scene ends as a host ends it: closing standard input ends the
  // helper with status 0, with nothing on standard error (where the
  // sanitizers report).
  ~Annotate() {
    child_.close_input();
    EXPECT_EQ(child_.wait(), 0);
    EXPECT_EQ(child_.err(), "");
  }

  support::Desktop& desktop() { return desktop_; }
  support::Child& child() { return child_; }
  void act(const json& action) { desktop_.act(action); }

  // Every "t" from now on must be exactly `t` (a shifted clock).
  void expect_t(uint64_t t) { fixed_t_ = t; }
  // The next line without its "t", which must be an unsigned integer: the
  // wall clock's milliseconds during the scene, or as expect_t says.
  std::string line() {
    std::optional<uint64_t> t = fixed_t_;
    std::string text = child_.read_line().value_or("");
    json value = json::parse(text, nullptr, false);
    if (!value.is_object() || !value.contains("t")) return text;
    uint64_t stamp = value["t"].is_number_unsigned() ? value["t"].get<uint64_t>() : ~0ull;
    if (t) {
      EXPECT_EQ(stamp, *t) << text;
    } else {
      EXPECT_TRUE(stamp >= started_ms_ && stamp <= wall_ms_now()) << text;
    }
    value.erase("t");
    return value.dump();
  }
  // Reads "ready", then waits until the tap callback runs (a key press and
  // its "key" line): the catch-up at start is over then, and input from now
  // on is seen as it happens. Returns the catch-up's lines.
  std::vector<std::string> start() {
    if (line() != R"({"event":"ready"})") ADD_FAILURE() << "no ready line";
    act(input("key_down"));
    std::vector<std::string> before;
    for (std::string l = line(); l != kKeyLine && !l.empty(); l = line()) before.push_back(l);
    return before;
  }
  // From the start (nothing held), then the steps.
  void play(const std::vector<Step>& steps) {
    EXPECT_EQ(start(), std::vector<std::string>{});
    play_on(steps);
  }
  // Further steps of a scene.
  void play_on(const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
      act(steps[i].action);
      for (const std::string& want : steps[i].lines)
        EXPECT_EQ(line(), want) << "step " << i << ": " << steps[i].action.dump();
    }
  }
  // No line at all within `ms`.
  void expect_quiet(int ms) {
    std::optional<std::string> extra = child_.read_line(milliseconds(ms));
    EXPECT_FALSE(extra) << *extra;
  }

 private:
  support::Desktop desktop_;
  uint64_t started_ms_;
  std::optional<uint64_t> fixed_t_;
  support::Child child_;
};

}  // namespace annotate_test
