#include "annotate/state.h"

#include <gtest/gtest.h>

#include <thread>

#include "annotate/last_pointer.h"
#include "annotate/test_output.h"
#include "macos/test_desktop.h"

namespace annotate::platform {
namespace {

using nlohmann::json;

class StateTest : public frontmost::testing::DesktopTest {
 protected:
  void SetUp() override { load(json::object()); }
  void TearDown() override {
    std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
    LAST_POINTER.position.reset();
  }
  static std::optional<std::pair<double, double>> last() {
    std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
    if (!LAST_POINTER.position) return std::nullopt;
    return std::make_pair(LAST_POINTER.position->x, LAST_POINTER.position->y);
  }
  // Whether a wake-up is waiting for the poller (takes it).
  bool woken() {
    std::atomic<bool> returned{false};
    std::thread check([&] {
      parker_.park();
      returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bool was = returned;
    if (!was) parker_.wake();
    check.join();
    return was;
  }

  Parker parker_;
  State state_{parker_};
  annotate::testing::CapturedOutput out_;
};

using Pair = std::pair<double, double>;

TEST_F(StateTest, TrackingSwitchesAndKeepsTheReportedPosition) {
  state_.on_flags(0x20000, 1, 2);
  EXPECT_EQ(last(), Pair(1, 2));
  EXPECT_TRUE(woken());
  {
    // The poller reported a position since.
    std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
    LAST_POINTER.position = Position{5, 5};
  }
  // Changes that keep tracking on leave it alone and wake nobody.
  state_.on_button(false, 9, 9);
  state_.on_flags(0x20000 | 0x10000, 9, 9);
  state_.shift = ShiftPhase::HeldSpoiled;
  state_.on_button(false, 9, 9);
  EXPECT_EQ(last(), Pair(5, 5));
  EXPECT_FALSE(woken());
  state_.on_button(true, 6, 6);
  EXPECT_EQ(last(), std::nullopt);
  state_.on_button(false, 7, 7);
  EXPECT_EQ(last(), Pair(7, 7));
  EXPECT_TRUE(woken());
  state_.on_flags(0x20000 | 0x100000, 8, 8);
  EXPECT_EQ(last(), std::nullopt);
  state_.on_flags(0x20000, 8, 8);
  EXPECT_EQ(last(), std::nullopt);
  state_.on_flags(0, 8, 8);
  std::vector<json> lines = out_.lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0]["alone"], true);
  EXPECT_EQ(lines[1]["state"], "down");
  EXPECT_EQ(lines[2]["state"], "up");
  EXPECT_EQ(lines[3]["alone"], false);
  EXPECT_EQ(lines[4]["held"], false);
}

}  // namespace
}  // namespace annotate::platform
