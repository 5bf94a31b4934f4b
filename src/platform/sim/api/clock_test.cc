// The simulated clocks: shifts from the desktop file and the "clock"
// action, a wall clock before 1970, a monotonic clock that stands still, and
// refusals of settings that do not fit.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/ax.h"
#include "platform/sim/sim.h"
#include "platform/sim/testing/desktop_fixture.h"

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

// A still clock moves by advances and by the waits of slow applications,
// exactly; sleeping and the helper's own work leave it; run again, it goes
// on from where it stood.
TEST(SimClock, StillClockMovesOnlyWhenMoved) {
  ASSERT_EQ(load_for_test(R"({"clock": {"still": true}, "applications": [{"pid": 5,
      "ui": {"id": "slow", "delay_ms": 30, "attributes": {"AXRole": "AXTextField"}}}]})"),
            "");
  auto now = [] { return clocks::Monotonic::now().time_since_epoch(); };
  auto start = now();
  clocks::sleep_for(milliseconds(15));
  EXPECT_EQ(now(), start);

  ASSERT_EQ(apply_action({{"action", "clock"}, {"advance_ms", 100}}), "");
  EXPECT_EQ(now() - start, milliseconds(100));

  // Cut off by the messaging timeout: the 10 ms that passed; answered: the
  // whole 30 ms delay.
  cf::Ref slow = sim::testing::element("slow");
  cf::Ref system = ax::create_system_wide();
  cf::Ref value;
  ASSERT_EQ(ax::set_messaging_timeout(system.get(), 0.01f), ax::kSuccess);
  EXPECT_EQ(ax::copy_attribute_value(slow.get(), "AXRole", &value), ax::kCannotComplete);
  auto cut = now() - start - milliseconds(100);
  EXPECT_GE(cut, std::chrono::microseconds(9900));
  EXPECT_LE(cut, std::chrono::microseconds(10100));  // the float timeout
  ASSERT_EQ(ax::set_messaging_timeout(system.get(), 1.0f), ax::kSuccess);
  auto before = now();
  EXPECT_EQ(ax::copy_attribute_value(slow.get(), "AXRole", &value), ax::kSuccess);
  EXPECT_EQ(now() - before, milliseconds(30));
  ASSERT_EQ(ax::set_messaging_timeout(system.get(), 0), ax::kSuccess);

  // Running again: on from the standing time, never backwards.
  auto stood = now();
  ASSERT_EQ(apply_action({{"action", "clock"}, {"still", false}}), "");
  auto ran = now();
  EXPECT_GE(ran, stood);
  EXPECT_LT(ran - stood, milliseconds(500));
  std::this_thread::sleep_for(milliseconds(5));
  EXPECT_GE(now() - ran, milliseconds(5));
  ASSERT_EQ(apply_action({{"action", "clock"}, {"still", true}}), "");
  auto again = now();
  std::this_thread::sleep_for(milliseconds(5));
  EXPECT_EQ(now(), again);

  // A new desktop runs unless it says otherwise.
  ASSERT_EQ(load_for_test("{}"), "");
  auto fresh = now();
  std::this_thread::sleep_for(milliseconds(5));
  EXPECT_GE(now() - fresh, milliseconds(5));
}

TEST(SimClock, ShiftsThatDoNotFitAreRefused) {
  for (const char* text :
       {R"({"clock": {"advance_ms": -1}})", R"({"clock": {"advance_ms": 1e308}})",
        R"({"clock": {"wall_ms": -1e13}})", R"({"clock": {"wall_ms": "now"}})",
        R"({"clock": {"speed": 2}})", R"({"clock": 5})", R"({"clock": {"still": 1}})"}) {
    EXPECT_NE(check_desktop(text), "") << text;
  }
  EXPECT_NE(apply_action({{"action", "clock"}}), "");
  EXPECT_NE(apply_action({{"action", "clock"}, {"advance_ms", 5e12}}), "");
}

}  // namespace
}  // namespace sim
