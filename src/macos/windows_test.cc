#include "macos/windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/write.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace frontmost::platform {
namespace {

using nlohmann::json;

const json kRemove = "remove";

// Changes `base` member by member ("remove" takes a member out).
json changed(json base, const json& changes) {
  for (auto& [key, value] : changes.items()) {
    if (value == kRemove) {
      base.erase(key);
    } else {
      base[key] = value;
    }
  }
  return base;
}
json window(const json& changes = json::object()) {
  return changed({{"kCGWindowNumber", 1}, {"kCGWindowOwnerPID", 500},
                  {"kCGWindowOwnerName", "Notes"}, {"kCGWindowLayer", 0},
                  {"kCGWindowAlpha", 1.0},
                  {"kCGWindowBounds", {{"X", 10}, {"Y", 20}, {"Width", 800}, {"Height", 600}}}},
                 changes);
}
json sized(json width, json height) {
  return window({{"kCGWindowBounds", {{"X", -1200}, {"Y", 0.5}, {"Width", width},
                                      {"Height", height}}}});
}
// The record of window() with `changes`, as the helper writes it.
std::string record(const json& changes = json::object()) {
  return ::json::serialize(changed({{"id", 1}, {"pid", 500}, {"app", "Notes"}, {"x", 10.0},
                                    {"y", 20.0}, {"width", 800.0}, {"height", 600.0}},
                                   changes));
}
std::string sized_record(json width, json height) {
  return record({{"x", -1200.0}, {"y", 0.5}, {"width", width}, {"height", height}});
}

class WindowsTest : public sim::testing::DesktopTest {};

// Each description alone on screen, and the record it gives ("" when left
// out).
TEST_F(WindowsTest, FiltersAndRecordMembers) {
  const json nan = {{"float", "nan"}}, inf = {{"float", "inf"}};
  const std::vector<std::pair<json, std::string>> cases = {
      {window(), record()},
      {window({{"kCGWindowLayer", 25}}), ""},
      {window({{"kCGWindowLayer", -1}}), ""},
      {window({{"kCGWindowLayer", kRemove}}), ""},
      {window({{"kCGWindowLayer", "0"}}), ""},
      {window({{"kCGWindowLayer", 0.5}}), ""},
      {window({{"kCGWindowLayer", 0.0}}), record()},  // a double that is exactly 0
      {window({{"kCGWindowAlpha", 0}}), ""},
      {window({{"kCGWindowAlpha", -0.1}}), ""},
      {window({{"kCGWindowAlpha", 0.5}}), record()},
      {window({{"kCGWindowAlpha", kRemove}}), record()},
      {window({{"kCGWindowAlpha", "clear"}}), record()},
      {window({{"kCGWindowAlpha", nan}}), record()},
      {sized(39.5, 300), ""},
      {sized(300, 39.99), ""},
      {sized(40, 40), sized_record(40.0, 40.0)},
      {sized(nan, 300), sized_record(nullptr, 300.0)},
      {sized(50, inf), sized_record(50.0, nullptr)},
      {window({{"kCGWindowBounds", kRemove}}), ""},
      {window({{"kCGWindowBounds", {{"X", 0}, {"Y", 0}, {"Width", 100}}}}), ""},
      {window({{"kCGWindowBounds", "0 0 100 100"}}), ""},
      {window({{"kCGWindowOwnerName", kRemove}}), record({{"app", nullptr}})},
      {window({{"kCGWindowOwnerName", 7}}), record({{"app", nullptr}})},
      {window({{"kCGWindowOwnerName", {{"utf16", {0x41, 0xD800}}}}}),
       record({{"app", "A\xEF\xBF\xBD"}})},
      {window({{"kCGWindowNumber", 1.5}}), record({{"id", nullptr}})},
      {window({{"kCGWindowNumber", {{"float", 1e19}}}}), record({{"id", nullptr}})},
      {window({{"kCGWindowNumber", kRemove}, {"kCGWindowOwnerPID", -3}}),
       record({{"id", nullptr}, {"pid", -3}})},
      {window({{"kCGWindowOwnerPID", "500"}}), record({{"pid", nullptr}})},
      {json(nullptr), ""},
      {json("window"), ""},
  };
  for (const auto& [description, want] : cases) {
    load({{"windows", {description}}});
    EXPECT_EQ(::json::serialize(cg_windows::list()), "[" + want + "]") << description.dump();
  }
}

TEST_F(WindowsTest, FirstSixtyFourInListOrder) {
  json windows = json::array({window({{"kCGWindowLayer", 3}})});
  for (int i = 0; i < 100; ++i) windows.push_back(window({{"kCGWindowNumber", i}}));
  load({{"windows", windows}});
  ::json::Value got = cg_windows::list();
  ASSERT_EQ(got.size(), 64u);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(got[i]["id"], i);
}

TEST_F(WindowsTest, NoListFromTheSystemAndTheOptionsAsked) {
  load({{"windows", nullptr}});
  act({{"action", "marker"}, {"label", "opens the effects log"}});
  EXPECT_EQ(::json::serialize(cg_windows::list()), "[]");
  std::vector<json> asked = effects("window_list");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], json({{"effect", "window_list"}, {"options", 17}, {"relative_to", 0}}));
}

}  // namespace
}  // namespace frontmost::platform
