#include "annotate/poller.h"

#include <gtest/gtest.h>

#include "annotate/last_pointer.h"
#include "platform/sim/testing/desktop_fixture.h"
#include "support/captured_stdout.h"

namespace annotate::platform {
namespace {

using nlohmann::json;

// Passes of the poller one at a time against the simulated pointer.
class PollerTest : public sim::testing::DesktopTest {
 protected:
  void SetUp() override { load(json::object()); }
  void TearDown() override {
    track(std::nullopt);
    DesktopTest::TearDown();
  }
  static void track(std::optional<Position> from) {
    std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
    LAST_POINTER.position = from;
  }
  // Moves the pointer, makes one pass, and gives its lines as [x, y].
  json pass_at(double x, double y, bool tracking = true) {
    act({{"action", "pointer"}, {"x", x}, {"y", y}});
    EXPECT_EQ(poll_once(), tracking);
    json points = json::array();
    for (json& line : out_.lines()) {
      EXPECT_EQ(line["event"], "pointer");
      EXPECT_TRUE(line["t"].is_number_unsigned() && line["x"].is_number_float());
      points.push_back({line["x"], line["y"]});
    }
    return points;
  }

  support::CapturedStdout out_;
};

const json kNone = json::array();

TEST_F(PollerTest, OffTakesNoSampleAndAFailedSampleIsSkipped) {
  // The next event made fails: the pass with tracking off must not make it.
  act({{"action", "fail_events"}, {"kind", "plain"}, {"count", 1}});
  EXPECT_EQ(pass_at(5, 5, false), kNone);
  track(Position{0, 0});
  EXPECT_EQ(pass_at(5, 5), kNone);
  EXPECT_EQ(pass_at(5, 5), json({{5.0, 5.0}}));
  EXPECT_EQ(pass_at(5, 5), kNone);
}

// Measured from the last report, so a slow drift adds up: 0.2 a pass is
// reported at the third pass (0.6), then 0.5 on is, 0.49 is not.
TEST_F(PollerTest, DistanceIsMeasuredFromTheLastReport) {
  track(Position{0, 0});
  EXPECT_EQ(pass_at(0.2, 0), kNone);
  EXPECT_EQ(pass_at(0.4, 0), kNone);
  EXPECT_EQ(pass_at(0.6, 0), json({{0.6, 0.0}}));
  EXPECT_EQ(pass_at(1.09, 0), kNone);
  EXPECT_EQ(pass_at(0.9, 0.4), json({{0.9, 0.4}}));  // 0.3 and 0.4: 0.5
}

}  // namespace
}  // namespace annotate::platform
