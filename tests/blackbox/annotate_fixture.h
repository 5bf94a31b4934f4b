// The annotate mode as a host sees it: the real binary against a simulated
// desktop driven through its control FIFO.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace annotate_test {

using nlohmann::json;
using std::chrono::milliseconds;

inline constexpr uint64_t kShift = 0x20000, kControl = 0x40000, kOption = 0x80000,
                          kCommand = 0x100000, kCapsLock = 0x10000;
inline constexpr int kShiftKey = 56;

inline json flags_input(uint64_t flags) {
  return {{"action", "input"}, {"type", "flags_changed"}, {"keycode", kShiftKey},
          {"flags", flags}};
}
inline json event_input(const char* type) { return {{"action", "input"}, {"type", type}}; }
inline json pointer(double x, double y) { return {{"action", "pointer"}, {"x", x}, {"y", y}}; }

inline uint64_t wall_ms_now() {
  return static_cast<uint64_t>(std::chrono::duration_cast<milliseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count());
}

inline void sleep_ms(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

// One helper process in annotate mode on its own desktop.
class Annotate {
 public:
  explicit Annotate(json desktop = json::object())
      : desktop_(std::move(desktop)), started_ms_(wall_ms_now()),
        child_({"annotate"}, desktop_.env()) {}
  // Every scene ends as a host ends it: closing standard input ends the
  // helper with status 0, and nothing reached standard error (where the
  // sanitizers report).
  ~Annotate() {
    child_.close_input();
    EXPECT_EQ(child_.wait(), 0);
    EXPECT_EQ(child_.err(), "");
  }

  support::Desktop& desktop() { return desktop_; }
  support::Child& child() { return child_; }
  void act(const json& action) { desktop_.act(action); }
  void command(const std::string& text) { child_.write(text + "\n"); }

  // The next line as written ("" when none comes in time).
  std::string raw(milliseconds timeout = milliseconds(5000)) {
    return child_.read_line(timeout).value_or("");
  }
  // The next line without its "t", which must be the wall clock's
  // milliseconds while the scene ran (or exactly `t` when given).
  std::string line(std::optional<uint64_t> t = std::nullopt) {
    std::string text = raw();
    json value = json::parse(text, nullptr, false);
    if (!value.is_object() || !value.contains("t")) return text;
    const json& stamp = value["t"];
    EXPECT_TRUE(stamp.is_number_unsigned()) << text;
    if (t) {
      EXPECT_EQ(stamp, *t) << text;
    } else if (stamp.is_number_unsigned()) {
      uint64_t ms = stamp.get<uint64_t>();
      EXPECT_GE(ms, started_ms_) << text;
      EXPECT_LE(ms, wall_ms_now()) << text;
    }
    value.erase("t");
    return value.dump();
  }
  void expect_ready() { ASSERT_EQ(raw(), R"({"event":"ready"})"); }
  // No line at all within `ms`.
  void expect_quiet(int ms) {
    std::optional<std::string> extra = child_.read_line(milliseconds(ms));
    EXPECT_FALSE(extra) << *extra;
  }

 private:
  support::Desktop desktop_;
  uint64_t started_ms_;
  support::Child child_;
};

// Expected lines, members in the order the helper writes them.
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

}  // namespace annotate_test
