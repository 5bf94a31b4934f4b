#include "macos/windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/write.h"
#include "macos/test_desktop.h"

namespace frontmost::platform {
namespace {

using nlohmann::json;

json window(json changes = json::object()) {
  json w = {{"kCGWindowNumber", 1},
            {"kCGWindowOwnerPID", 500},
            {"kCGWindowOwnerName", "Notes"},
            {"kCGWindowLayer", 0},
            {"kCGWindowAlpha", 1.0},
            {"kCGWindowBounds", {{"X", 10}, {"Y", 20}, {"Width", 800}, {"Height", 600}}}};
  for (auto& [key, value] : changes.items()) {
    if (value.is_object() && value.contains("remove")) {
      w.erase(key);
    } else {
      w[key] = value;
    }
  }
  return w;
}
json bounds(json x, json y, json width, json height) {
  return {{"X", x}, {"Y", y}, {"Width", width}, {"Height", height}};
}
json nan() { return {{"float", "nan"}}; }
const json kRemove = {{"remove", true}};

const std::string kFull =
    R"({"app":"Notes","height":600.0,"id":1,"pid":500,"width":800.0,"x":10.0,"y":20.0})";

class WindowsTest : public testing::DesktopTest {};

// Each description alone on screen, and the record it gives ("" when the
// window is left out).
TEST_F(WindowsTest, FiltersAndRecordMembers) {
  struct Case {
    const char* what;
    json description;
    std::string record;
  };
  const std::vector<Case> cases = {
      {"plain window", window(), kFull},
      {"layer 25", window({{"kCGWindowLayer", 25}}), ""},
      {"layer -1", window({{"kCGWindowLayer", -1}}), ""},
      {"no layer", window({{"kCGWindowLayer", kRemove}}), ""},
      {"layer as text", window({{"kCGWindowLayer", "0"}}), ""},
      {"fractional layer", window({{"kCGWindowLayer", 0.5}}), ""},
      {"layer 0 as a double", window({{"kCGWindowLayer", 0.0}}), kFull},
      {"alpha 0", window({{"kCGWindowAlpha", 0}}), ""},
      {"alpha -0.1", window({{"kCGWindowAlpha", -0.1}}), ""},
      {"alpha 0.5", window({{"kCGWindowAlpha", 0.5}}), kFull},
      {"no alpha", window({{"kCGWindowAlpha", kRemove}}), kFull},
      {"alpha as text", window({{"kCGWindowAlpha", "clear"}}), kFull},
      {"alpha NaN", window({{"kCGWindowAlpha", nan()}}), kFull},
      {"39.5 x 300", window({{"kCGWindowBounds", bounds(0, 0, 39.5, 300)}}), ""},
      {"300 x 39.99", window({{"kCGWindowBounds", bounds(0, 0, 300, 39.99)}}), ""},
      {"40 x 40", window({{"kCGWindowBounds", bounds(0, 0, 40, 40)}}),
       R"({"app":"Notes","height":40.0,"id":1,"pid":500,"width":40.0,"x":0.0,"y":0.0})"},
      {"width NaN", window({{"kCGWindowBounds", bounds(-1200, 5.25, nan(), 300)}}),
       R"({"app":"Notes","height":300.0,"id":1,"pid":500,"width":null,"x":-1200.0,"y":5.25})"},
      {"infinite height", window({{"kCGWindowBounds", bounds(0, 0, 50, {{"float", "inf"}})}}),
       R"({"app":"Notes","height":null,"id":1,"pid":500,"width":50.0,"x":0.0,"y":0.0})"},
      {"no bounds", window({{"kCGWindowBounds", kRemove}}), ""},
      {"bounds without height",
       window({{"kCGWindowBounds", {{"X", 0}, {"Y", 0}, {"Width", 100}}}}), ""},
      {"bounds as text", window({{"kCGWindowBounds", "0 0 100 100"}}), ""},
      {"no owner name", window({{"kCGWindowOwnerName", kRemove}}),
       R"({"app":null,"height":600.0,"id":1,"pid":500,"width":800.0,"x":10.0,"y":20.0})"},
      {"owner name a number", window({{"kCGWindowOwnerName", 7}}),
       R"({"app":null,"height":600.0,"id":1,"pid":500,"width":800.0,"x":10.0,"y":20.0})"},
      {"owner name with a lone surrogate",
       window({{"kCGWindowOwnerName", {{"utf16", {0x41, 0xD800}}}}}),
       "{\"app\":\"A\xEF\xBF\xBD\",\"height\":600.0,\"id\":1,\"pid\":500,\"width\":800.0,"
       "\"x\":10.0,\"y\":20.0}"},
      {"fractional number", window({{"kCGWindowNumber", 1.5}}),
       R"({"app":"Notes","height":600.0,"id":null,"pid":500,"width":800.0,"x":10.0,"y":20.0})"},
      {"number beyond 64 bits", window({{"kCGWindowNumber", {{"float", 1e19}}}}),
       R"({"app":"Notes","height":600.0,"id":null,"pid":500,"width":800.0,"x":10.0,"y":20.0})"},
      {"negative pid, no number",
       window({{"kCGWindowOwnerPID", -3}, {"kCGWindowNumber", kRemove}}),
       R"({"app":"Notes","height":600.0,"id":null,"pid":-3,"width":800.0,"x":10.0,"y":20.0})"},
      {"pid as text", window({{"kCGWindowOwnerPID", "500"}}),
       R"({"app":"Notes","height":600.0,"id":1,"pid":null,"width":800.0,"x":10.0,"y":20.0})"},
      {"entry that is not a description", json(nullptr), ""},
      {"entry that is text", json("window"), ""},
  };
  for (const Case& c : cases) {
    load({{"windows", {c.description}}});
    ::json::Value got = cg_windows::list();
    std::string expected = c.record.empty() ? "[]" : "[" + c.record + "]";
    EXPECT_EQ(::json::serialize(got), expected) << c.what;
  }
}

TEST_F(WindowsTest, FirstSixtyFourInListOrder) {
  json windows = json::array();
  windows.push_back(window({{"kCGWindowLayer", 3}, {"kCGWindowNumber", 1000}}));
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
  load({{"windows", json::array()}});
  act({{"action", "marker"}, {"label", "opens the effects log"}});
  EXPECT_EQ(::json::serialize(cg_windows::list()), "[]");
  std::vector<json> asked = effects("window_list");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], json({{"effect", "window_list"}, {"options", 17}, {"relative_to", 0}}));
}

}  // namespace
}  // namespace frontmost::platform
