// The control FIFO and the script: order of lines from several writers,
// rejected lines, markers after earlier input, the script's start.
#include "platform/sim/drive/control.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/cg_event.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;

class ControlTest : public testing::FileDesktopTest {
 protected:
  std::string control_path() {
    std::ifstream in(desktop_->file());
    return json::parse(in, nullptr, false).value("control", "");
  }
  // One writer: opens the FIFO (once the reader is there), writes, closes.
  void write_fifo(const std::string& text) {
    int fd = -1;
    ASSERT_TRUE(testing::eventually([&] {
      fd = ::open(control_path().c_str(), O_WRONLY | O_NONBLOCK);
      return fd >= 0;
    }));
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
  }
  bool has_marker(const std::string& label) {
    for (const json& m : desktop_->effects("marker")) {
      if (m["label"] == label) return true;
    }
    return false;
  }
};

TEST_F(ControlTest, LinesFromSeveralWritersApplyInOrderAndBadOnesAreRejected) {
  load();
  cg::event_source_flags_state(cg::SourceState::HIDSystem);  // starts the event side
  write_fifo(
      "{\"action\":\"flags\",\"flags\":262144}\n"
      "not json\n"
      "\n"
      "{\"action\":\"no_such_action\"}\n"
      "{\"action\":\"marker\",\"label\":\"one\"}");  // ended by the close
  ASSERT_TRUE(testing::eventually([&] { return has_marker("one"); }));
  write_fifo("{\"action\":\"marker\",\"label\":\"two\"}\n");
  ASSERT_TRUE(testing::eventually([&] { return has_marker("two"); }));

  auto log = desktop_->log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], (json{{"effect", "rejected"}, {"line", "not json"}, {"reason", "not JSON"}}));
  EXPECT_EQ(log[1]["effect"], "rejected");
  EXPECT_EQ(log[1]["action"], (json{{"action", "no_such_action"}}));
  EXPECT_EQ(log[1]["reason"], "unknown action");
  EXPECT_EQ(log[2], (json{{"effect", "marker"}, {"label", "one"}}));
  EXPECT_EQ(log[3], (json{{"effect", "marker"}, {"label", "two"}}));
  EXPECT_EQ(cg::event_source_flags_state(cg::SourceState::HIDSystem), 262144u);
}

// The fixture's sync() relies on this: a marker is logged only after the
// input before it went through every tap.
TEST_F(ControlTest, MarkerFollowsTheCallbacksOfEarlierInput) {
  load();
  testing::TapThread tap({.withhold = [](const testing::Seen&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
  }});
  desktop_->act({{"action", "input"}, {"type", "key_down"}, {"keycode", 49}});
  desktop_->act({{"action", "input"}, {"type", "key_up"}, {"keycode", 49}});
  ASSERT_TRUE(desktop_->sync());
  auto log = desktop_->log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0]["result"], "withheld");
  EXPECT_EQ(log[1]["type"], 11);
  EXPECT_EQ(log[2]["effect"], "marker");
}

TEST_F(ControlTest, ScriptStartsWhenTheFirstTapIsEnabled) {
  load({{"script",
         {{{"at_ms", 40}, {"action", "marker"}, {"label", "end"}},
          {{"at_ms", 0}, {"action", "flags"}, {"flags", 0x20000}},
          {{"at_ms", 20}, {"action", "input"}, {"type", "flags_changed"}, {"keycode", 56}},
          {{"at_ms", 30}, {"action", "tap_disabled"}, {"by", "sideways"}}}}});
  cg::event_source_flags_state(cg::SourceState::HIDSystem);  // starts the event side
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_TRUE(desktop_->log().empty());  // no tap yet: the script waits

  testing::TapThread tap({});
  ASSERT_TRUE(testing::eventually([&] { return has_marker("end"); }));
  auto seen = tap.seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].flags, 0x20000u);  // applied in time order, not file order
  auto log = desktop_->log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0]["effect"], "input");
  EXPECT_EQ(log[1]["effect"], "rejected");
  EXPECT_EQ(log[1]["action"]["by"], "sideways");
  EXPECT_EQ(log[2]["effect"], "marker");
}

}  // namespace
}  // namespace sim
