// Test fixture for the frontmost operations: loads a simulated desktop into
// this process, reads back the keys the operation posted from the desktop's
// effects log, and checks after each test that every platform object handed
// out was released exactly once. Included by the *_test.cc files only.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/sim/audit.h"
#include "platform/sim/events.h"
#include "platform/sim/sim.h"

namespace frontmost::testing {

struct Posted {
  int keycode = -1;
  bool down = false;
  uint64_t flags = 0;
  bool operator==(const Posted&) const = default;
};

inline void PrintTo(const Posted& p, std::ostream* os) {
  *os << "{" << p.keycode << (p.down ? " down" : " up") << " flags 0x"
      << std::hex << p.flags << std::dec << "}";
}

class DesktopTest : public ::testing::Test {
 protected:
  // One log for the whole program: the event side may keep it open across
  // desktops, so each test reads only what was appended after its load.
  static const std::string& log_path() {
    static const std::string path = [] {
      std::string pattern =
          (std::filesystem::temp_directory_path() / "qch-frontmost-XXXXXX")
              .string();
      char* dir = mkdtemp(pattern.data());
      return dir ? std::string(dir) + "/effects.log" : std::string();
    }();
    // Registered after `path` is made, so it runs before `path` goes away.
    [[maybe_unused]] static const bool cleanup = std::atexit(remove_log) == 0;
    return path;
  }
  // Runs at exit; children that end with _Exit call it themselves.
  static void remove_log() {
    std::error_code ignored;
    std::filesystem::remove_all(
        std::filesystem::path(log_path()).parent_path(), ignored);
  }

  // Replaces the desktop; the audit baseline is taken right after.
  void load(nlohmann::json desktop) {
    expect_balanced();
    desktop["log"] = log_path();
    std::string reason = sim::load_for_test(desktop.dump());
    ASSERT_EQ(reason, "") << desktop.dump();
    sim::reset_event_side();
    std::error_code ignored;
    log_start_ = std::filesystem::file_size(log_path(), ignored);
    if (ignored) log_start_ = 0;
    baseline_ = sim::audit();
    loaded_ = true;
  }

  void act(const nlohmann::json& action) {
    ASSERT_EQ(sim::apply_action(action), "") << action.dump();
  }

  std::vector<nlohmann::json> effects(const std::string& kind) const {
    std::vector<nlohmann::json> found;
    std::ifstream in(log_path());
    in.seekg(static_cast<std::streamoff>(log_start_));
    std::string line;
    while (std::getline(in, line)) {
      auto value = nlohmann::json::parse(line, nullptr, false);
      if (value.is_object() && value.value("effect", "") == kind) {
        found.push_back(value);
      }
    }
    return found;
  }

  std::vector<Posted> posted() const {
    std::vector<Posted> keys;
    for (const auto& e : effects("posted")) {
      keys.push_back({e.value("keycode", -1), e.value("down", false),
                      e.value("flags", uint64_t{0})});
    }
    return keys;
  }

  static std::vector<Posted> command_v(int keycode) {
    return {{keycode, true, 0x100000}, {keycode, false, 0x100000}};
  }

  // Everything handed out since the last load has been released once.
  void expect_balanced() {
    if (!loaded_) return;
    sim::Audit after = sim::audit();
    EXPECT_EQ(after.live, baseline_.live) << "objects leaked or lost";
    EXPECT_EQ(after.over_releases, baseline_.over_releases);
  }

  void TearDown() override { expect_balanced(); }

 private:
  uintmax_t log_start_ = 0;
  sim::Audit baseline_;
  bool loaded_ = false;
};

}  // namespace frontmost::testing
