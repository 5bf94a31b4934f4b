// "ready" is the first line of a dictate session even when the hotkey goes
// down the moment the tap runs: a key event never overtakes it. The press
// races the writing of "ready", so the session is run many times.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace {

using nlohmann::json;

TEST(DictateReadyFirst, KeyEventsAtTheTapsStartFollowReady) {
  // fn goes down as soon as the first tap is enabled.
  const json desktop = {{"script", json::array({{{"at_ms", 0},
                                                 {"action", "input"},
                                                 {"type", "flags_changed"},
                                                 {"keycode", 63},
                                                 {"flags", 0x800000}}})}};
  for (int run = 0; run < 25; ++run) {
    support::Desktop d(desktop);
    support::Child child({"dictate", "--key", "fn"}, d.env());
    std::optional<std::string> first = child.read_line();
    std::optional<std::string> second = child.read_line();
    child.close_input();
    ASSERT_EQ(first, std::optional<std::string>(R"({"event":"ready"})")) << "run " << run;
    ASSERT_TRUE(second.has_value()) << "run " << run;
    EXPECT_EQ(json::parse(*second).value("event", ""), "down") << "run " << run;
    EXPECT_EQ(child.wait(), 0);
  }
}

}  // namespace
