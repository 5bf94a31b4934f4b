// The annotate mode's command reader and its start and end through the real
// binary: "windows", lines that are not commands, end of input, input that
// is not UTF-8, a refused tap, and a clock before 1970.
#include "annotate_fixture.h"

namespace annotate_test {
namespace {

const json kWindows = json::array(
    {{{"kCGWindowNumber", 88}, {"kCGWindowOwnerPID", 501}, {"kCGWindowOwnerName", "Notes"},
      {"kCGWindowLayer", 0}, {"kCGWindowAlpha", 1.0},
      {"kCGWindowBounds", {{"X", -1200}, {"Y", 0.5}, {"Width", 800}, {"Height", 600}}}},
     {{"kCGWindowNumber", 3}, {"kCGWindowOwnerPID", 77}, {"kCGWindowOwnerName", "Menu bar"},
      {"kCGWindowLayer", 25},
      {"kCGWindowBounds", {{"X", 0}, {"Y", 0}, {"Width", 1440}, {"Height", 24}}}}});
const std::string kAnswer =
    R"({"event":"windows","windows":[{"app":"Notes","height":600.0,"id":88,"pid":501,)"
    R"("width":800.0,"x":-1200.0,"y":0.5}]})";

TEST(AnnotateCommands, WindowsIsAnsweredAndEverythingElseIgnored) {
  Annotate a(json{{"windows", kWindows}});
  a.play({});
  // Other words, other case, further words, empty lines: no answer. White
  // space around (Unicode's too) does not matter.
  a.child().write("WINDOWS\nwindows now\n\nwindow\n\xC2\xA0\n \twindows\t\r\n");
  EXPECT_EQ(a.line(), kAnswer);
  a.child().write("\xE2\x80\x83windows\xC2\xA0\nwindows\n");
  EXPECT_EQ(a.line(), kAnswer);
  EXPECT_EQ(a.line(), kAnswer);
  a.act({{"action", "windows"}, {"windows", nullptr}});
  ASSERT_TRUE(a.desktop().sync());
  a.child().write("windows\n");
  EXPECT_EQ(a.line(), R"({"event":"windows","windows":[]})");
  // A last command without a line feed is still answered before the end.
  a.child().write("windows");
  a.child().close_input();
  EXPECT_EQ(a.line(), R"({"event":"windows","windows":[]})");
  EXPECT_EQ(a.child().wait(), 0);
  EXPECT_EQ(a.child().read_line(milliseconds(100)), std::nullopt);
  std::vector<json> asked = a.desktop().effects("window_list");
  ASSERT_EQ(asked.size(), 5u);
  for (const json& effect : asked)
    EXPECT_EQ(effect, json({{"effect", "window_list"}, {"options", 17}, {"relative_to", 0}}));
}

TEST(AnnotateCommands, InputThatIsNotUtf8EndsTheProcess) {
  support::Desktop desktop(json{{"windows", kWindows}});
  support::RunResult result =
      support::run({"annotate"}, "\xFF\xFEwindows\nwindows\n", desktop.env());
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "{\"event\":\"ready\"}\n");
  EXPECT_EQ(result.err, "");
}

TEST(AnnotateCommands, ClockBeforeTheEpochStampsZero) {
  Annotate a(json{{"clock", {{"wall_ms", -5000}}}});
  a.expect_t(0);
  a.play({});
  const std::vector<std::pair<json, std::string>> steps = {
      {input("key_down"), kKeyLine},
      {flags(kShift), shift_line(true, true, 0, 0)},
      {pointer(1, 1), pointer_line(1, 1)},
      {input("left_mouse_down"), button_line(true, 1, 1)},
  };
  for (const auto& [action, want] : steps) {
    a.act(action);
    EXPECT_EQ(a.line(), want);
  }
  a.child().write("windows\n");
  EXPECT_EQ(a.line(), R"({"event":"windows","windows":[]})");
}

}  // namespace
}  // namespace annotate_test
