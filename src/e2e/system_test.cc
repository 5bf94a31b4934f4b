// The driver's system side against the simulated desktop: what it reports
// of the focus and the permissions, and what it posts. Every platform
// object it takes is released once (checked by the fixture).
#include "e2e/system.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "platform/sim/testing/desktop_fixture.h"

namespace e2e {
namespace {

using nlohmann::json;

json editor(json value) {
  return {{"applications",
           json::array({{{"pid", 812},
                         {"name", "TextEdit"},
                         {"bundle_id", "com.apple.TextEdit"},
                         {"ui",
                          {{"id", "app"},
                           {"attributes", {{"AXRole", "AXApplication"}}},
                           {"children", json::array({{{"id", "area"},
                                                      {"attributes",
                                                       {{"AXRole", "AXTextArea"},
                                                        {"AXValue", std::move(value)}}}}})}}}}})},
          {"focus", "area"}};
}

std::vector<Step> steps(std::vector<std::string_view> words) {
  std::vector<Step> out;
  EXPECT_EQ(parse_steps(words, &out), "");
  return out;
}

class DriverSystem : public sim::testing::DesktopTest {};

TEST_F(DriverSystem, FocusNamesTheApplicationTheRoleAndTheWholeValue) {
  load(editor("quorvel e2e 1 \xe2\x9c\x93"));
  EXPECT_EQ(focus(), json::parse(R"({"app":"TextEdit","bundle_id":"com.apple.TextEdit",)"
                                 R"("focused":true,"pid":812,"role":"AXTextArea",)"
                                 R"("value":"quorvel e2e 1 \u2713"})"));
  // A value that is no string reads as null, as an unreadable one would.
  load(editor(42));
  EXPECT_EQ(focus()["value"], nullptr);
  json nothing = editor("");
  nothing.erase("focus");
  load(nothing);
  EXPECT_EQ(focus(), json::parse(R"({"focused":false})"));
}

TEST_F(DriverSystem, PermissionsTellAccessibilityByTheAnswerOfARequest) {
  json desktop = editor("");
  load(desktop);
  EXPECT_EQ(permissions(), json::parse(R"({"accessibility":true,"ax_error":0,"input_monitoring":null})"));
  desktop["permissions"] = {{"accessibility", false}, {"input_monitoring", false}};
  load(desktop);
  json denied = permissions();
  EXPECT_EQ(denied["accessibility"], false);
  EXPECT_EQ(denied["ax_error"], -25211);
}

// The simulated desktop has no CoreGraphics to look CGEventSetType up in:
// a modifier cannot be posted as a flags-changed event, so nothing is.
TEST_F(DriverSystem, PostsKeysInOrderAndNoModifierWithoutItsEventType) {
  load(editor(""));
  EXPECT_TRUE(post(steps({"space:down", "10ms", "space:up"})));
  EXPECT_EQ(posted(), (std::vector<sim::testing::Posted>{{49, true, 0x100}, {49, false, 0x100}}));
  load(editor(""));
  EXPECT_FALSE(post(steps({"right_option:down", "space:down"})));
  EXPECT_TRUE(posted().empty());
}

}  // namespace
}  // namespace e2e
