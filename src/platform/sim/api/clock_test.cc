// The simulated clocks: shifts from the desktop file and the "clock"
// action, a wall clock before 1970, and refusals of shifts that do not fit.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include "platform/sim/sim.h"

namespace sim {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::seconds;

int64_t monotonic_ms() {
  return duration_cast<milliseconds>(clocks::Monotonic::now().time_since_epoch())
      .count();
}

TEST(SimClock, DesktopAndActionsShiftBothClocks) {
  ASSERT_EQ(load_for_test(R"({"clock": {"wall_ms": -5000}})"), "");
  EXPECT_EQ(clocks::wall_millis(), 0u);  // before the epoch
  auto wall = clocks::Wall::now().time_since_epoch();
  EXPECT_LT(wall, seconds(-4));
  EXPECT_GT(wall, seconds(-6));

  int64_t before = monotonic_ms();
  ASSERT_EQ(apply_action({{"action", "clock"}, {"advance_ms", 300000}}), "");
  int64_t after = monotonic_ms();
  EXPECT_GE(after - before, 300000);
  EXPECT_LT(after - before, 301000);
  EXPECT_GT(clocks::Wall::now().time_since_epoch(), seconds(294));

  ASSERT_EQ(apply_action({{"action", "clock"}, {"wall_ms", 1.5e12}}), "");
  EXPECT_NEAR(static_cast<double>(clocks::wall_millis()), 1.5e12, 1000);

  // A new desktop starts from the system's clocks again.
  ASSERT_EQ(load_for_test("{}"), "");
  EXPECT_LT(monotonic_ms() - before, 1000);
  EXPECT_GT(clocks::wall_millis(), 1.7e12);
}

TEST(SimClock, ShiftsThatDoNotFitAreRefused) {
  for (const char* text :
       {R"({"clock": {"advance_ms": -1}})", R"({"clock": {"advance_ms": 1e308}})",
        R"({"clock": {"wall_ms": -1e13}})", R"({"clock": {"wall_ms": "now"}})",
        R"({"clock": {"speed": 2}})", R"({"clock": 5})"}) {
    EXPECT_NE(check_desktop(text), "") << text;
  }
  EXPECT_NE(apply_action({{"action", "clock"}}), "");
  EXPECT_NE(apply_action({{"action", "clock"}, {"advance_ms", 5e12}}), "");
}

}  // namespace
}  // namespace sim
