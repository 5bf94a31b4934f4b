// The dictate mode as a host sees it: the real binary against a simulated
// desktop with a control FIFO and an effects log.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace dictate_test {

using nlohmann::json;
using std::chrono::milliseconds;

// Event types and key codes of the input actions.
inline constexpr int kKeyDown = 10, kKeyUp = 11, kFlagsChanged = 12;
inline constexpr int kSpaceKey = 49, kEscapeKey = 53, kFnKey = 63, kLetterA = 0;
inline constexpr uint64_t kFnFlag = 0x800000, kShiftFlag = 0x20000;

inline json input(int type, int keycode, uint64_t flags, json extra = json::object()) {
  json action = {{"action", "input"}, {"type", type}, {"keycode", keycode}, {"flags", flags}};
  for (auto& [key, value] : extra.items()) action[key] = value;
  return action;
}

inline json fn_down(int pid = 0) {
  return input(kFlagsChanged, kFnKey, kFnFlag, {{"source_pid", pid}});
}
inline json fn_up(int pid = 0) { return input(kFlagsChanged, kFnKey, 0, {{"source_pid", pid}}); }
inline json space_down(bool repeat = false) {
  return input(kKeyDown, kSpaceKey, kFnFlag, {{"autorepeat", repeat}});
}
inline json escape_down() { return input(kKeyDown, kEscapeKey, 0); }

// One helper process in dictate mode on its own desktop.
class Dictate {
 public:
  explicit Dictate(json desktop = json::object(), const std::string& key = "fn")
      : desktop_(std::move(desktop)), child_({"dictate", "--key", key}, desktop_.env()) {}
  // Every test ends as a host does: closing standard input ends the helper
  // with status 0, and nothing was written to standard error (where the
  // sanitizers report).
  ~Dictate() {
    child_.close_input();
    EXPECT_EQ(child_.wait(), 0);
    EXPECT_EQ(child_.err(), "");
  }

  support::Desktop& desktop() { return desktop_; }
  support::Child& child() { return child_; }

  // The next line, or "" when none comes in time.
  std::string line(milliseconds timeout = milliseconds(5000)) {
    return child_.read_line(timeout).value_or("");
  }
  void expect_ready() { ASSERT_EQ(line(), R"({"event":"ready"})"); }
  void act(const json& action) { desktop_.act(action); }
  void command(const std::string& text) { child_.write(text + "\n"); }

  // The "input" effects of one key code, in order, as "<type>:<result>".
  std::vector<std::string> results(int keycode) {
    std::vector<std::string> out;
    for (const json& effect : desktop_.log()) {
      if (effect.value("effect", "") == "input" && effect.value("keycode", -1) == keycode)
        out.push_back(std::to_string(effect.value("type", 0)) + ":" +
                      effect.value("result", ""));
    }
    return out;
  }
  // The "posted" effects as "<keycode>:<down>:<flags>".
  std::vector<std::string> posted() {
    std::vector<std::string> out;
    for (const json& effect : desktop_.log()) {
      if (effect.value("effect", "") == "posted")
        out.push_back(std::to_string(effect.value("keycode", -1)) + ":" +
                      (effect.value("down", false) ? "down" : "up") + ":" +
                      std::to_string(effect.value("flags", uint64_t{0})));
    }
    return out;
  }

 private:
  support::Desktop desktop_;
  support::Child child_;
};

}  // namespace dictate_test
