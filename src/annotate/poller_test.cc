#include "annotate/poller.h"

#include <gtest/gtest.h>

#include "annotate/last_pointer.h"
#include "annotate/test_output.h"
#include "macos/test_desktop.h"

namespace annotate::platform {
namespace {

using nlohmann::json;

class PollerTest : public frontmost::testing::DesktopTest {
 protected:
  void SetUp() override { load(json::object()); }
  void TearDown() override {
    set_last(std::nullopt);
    DesktopTest::TearDown();
  }
  static void set_last(std::optional<Position> p) {
    std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
    LAST_POINTER.position = p;
  }
  static std::optional<Position> last() {
    std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
    return LAST_POINTER.position;
  }
  void move(double x, double y) { act({{"action", "pointer"}, {"x", x}, {"y", y}}); }
  // One pass; the lines it wrote, as [x, y] pairs.
  json pass(bool tracking = true) {
    EXPECT_EQ(poll_once(), tracking);
    json points = json::array();
    for (json& line : out_.lines()) {
      EXPECT_EQ(line["event"], "pointer");
      EXPECT_TRUE(line["t"].is_number_unsigned());
      EXPECT_TRUE(line["x"].is_number_float());
      points.push_back({line["x"], line["y"]});
    }
    return points;
  }

  annotate::testing::CapturedOutput out_;
};

TEST_F(PollerTest, OffTakesNoSampleAndAFailedSampleIsSkipped) {
  move(5, 5);
  // The next event made fails: the pass with tracking off must not be the
  // one that makes it.
  act({{"action", "fail_events"}, {"kind", "plain"}, {"count", 1}});
  EXPECT_EQ(pass(false), json::array());
  set_last(Position{0, 0});
  EXPECT_EQ(pass(), json::array());
  EXPECT_EQ(pass(), json({{5.0, 5.0}}));
  EXPECT_EQ(pass(), json::array());
}

TEST_F(PollerTest, DistanceIsMeasuredFromTheLastReport) {
  set_last(Position{0, 0});
  const std::vector<std::pair<double, json>> drift = {
      {0.2, json::array()}, {0.4, json::array()}, {0.6, {{0.6, 0.0}}},
      {0.8, json::array()}, {1.09, json::array()}, {1.1, {{1.1, 0.0}}},
  };
  for (const auto& [x, want] : drift) {
    move(x, 0);
    EXPECT_EQ(pass(), want) << x;
  }
  ASSERT_TRUE(last());
  EXPECT_EQ(last()->x, 1.1);
  // Diagonal: 0.3 and 0.4 make exactly 0.5.
  set_last(Position{10, 10});
  move(10.3, 10.4);
  EXPECT_EQ(pass(), json({{10.3, 10.4}}));
  move(10.3, 10.89);
  EXPECT_EQ(pass(), json::array());
}

}  // namespace
}  // namespace annotate::platform
