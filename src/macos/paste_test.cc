#include "macos/paste.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

#include "platform/cg_event.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace frontmost::platform {
namespace {

using nlohmann::json;
using Outcome = PasteResult::Outcome;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The focused field "f" (five characters, caret at the end, selected text
// settable) at the bottom of a chain of `depth` elements whose top one has
// role `top_role`.
json chain_to_field(int depth, const char* top_role) {
  json node = {{"id", "f"},
               {"attributes",
                {{"AXRole", "AXTextField"},
                 {"AXValue", "hello"},
                 {"AXSelectedTextRange", {{"range", {5, 0}}}}}},
               {"settable", {"AXSelectedText", "AXValue"}}};
  for (int level = 2; level <= depth; ++level) {
    node = {{"id", "e" + std::to_string(level)},
            {"attributes",
             {{"AXRole", level == depth ? top_role : "AXGroup"}}},
            {"children", json::array({std::move(node)})}};
  }
  return node;
}

json editor(json ui = chain_to_field(3, "AXApplication")) {
  return {{"applications",
           json::array({{{"pid", 400}, {"name", "Editor"}, {"ui", std::move(ui)}}})},
          {"focus", "f"}};
}

json reaction(json attributes, int delay_ms = 0) {
  return {{"delay_ms", delay_ms},
          {"set", json::array({{{"element", "f"}, {"attributes", std::move(attributes)}}})}};
}

class PasteTest : public sim::testing::DesktopTest {
 protected:
  PasteResult timed_paste() {
    auto start = Clock::now();
    PasteResult result = paste();
    elapsed_ = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    return result;
  }
  milliseconds elapsed_{0};
};

// ---- what the field shows after the keystroke ------------------------------

TEST_F(PasteTest, NothingFocusedIsPastedAtOnce) {
  load(json::object());
  PasteResult result = timed_paste();
  EXPECT_EQ(result.outcome, Outcome::Pasted);
  EXPECT_EQ(posted(), command_v(9));
}

TEST_F(PasteTest, UnchangedFieldIsNotConfirmedAfterAllPolls) {
  load(editor());
  PasteResult result = timed_paste();
  EXPECT_EQ(result.outcome, Outcome::NotConfirmed);
  EXPECT_GE(elapsed_, milliseconds(300));
  EXPECT_EQ(posted(), command_v(9));
}

TEST_F(PasteTest, ChangedFieldIsPasted) {
  json desktop = editor();
  for (json change : {
           json{{"AXValue", "hello world"}, {"AXSelectedTextRange", {{"range", {11, 0}}}}},
           // Same count, caret moved.
           json{{"AXSelectedTextRange", {{"range", {3, 0}}}}},
           json{{"AXSelectedTextRange", {{"range", {5, 1}}}}},
           json{{"AXSelectedTextRange", {{"remove", true}}}},
           // The state becomes unreadable part way through the polls.
           json{{"AXNumberOfCharacters", {{"error", -25204}}}},
       }) {
    SCOPED_TRACE(change.dump());
    desktop["paste"] = reaction(change, 100);
    load(desktop);
    EXPECT_EQ(paste().outcome, Outcome::Pasted);
  }
}

TEST_F(PasteTest, FieldsThatCannotBeWatchedArePasted) {
  // Selected text that cannot be set.
  json unsettable = editor();
  unsettable["applications"][0]["ui"]["children"][0]["children"][0]["settable"] =
      json::array({"AXValue"});
  // No character count.
  json uncounted = editor();
  uncounted["applications"][0]["ui"]["children"][0]["children"][0]["attributes"]
           ["AXNumberOfCharacters"] = {{"error", -25212}};
  // Inside web content, up to the 40th element from the field.
  for (const json& desktop : {unsettable, uncounted,
                              editor(chain_to_field(2, "AXWebArea")),
                              editor(chain_to_field(40, "AXWebArea"))}) {
    load(desktop);
    EXPECT_EQ(paste().outcome, Outcome::Pasted);
    EXPECT_EQ(posted(), command_v(9));
  }
}

TEST_F(PasteTest, WebContentBeyondFortyElementsIsNotSeen) {
  load(editor(chain_to_field(41, "AXWebArea")));
  EXPECT_EQ(paste().outcome, Outcome::NotConfirmed);
}

TEST_F(PasteTest, UnreadableAncestorRoleIsPassedOver) {
  json ui = chain_to_field(4, "AXWebArea");
  ui["children"][0]["attributes"]["AXRole"] = {{"error", -25204}};
  load(editor(ui));
  EXPECT_EQ(paste().outcome, Outcome::Pasted);
}

// ---- the key that gives V -------------------------------------------------

TEST_F(PasteTest, KeyForVInTheCurrentLayout) {
  struct Case {
    const char* name;
    json keyboard;
    int keycode;
  };
  for (const Case& c : {
           Case{"us", "us", 9},
           Case{"dvorak", "dvorak", 47},
           Case{"dvorak qwerty command", "dvorak_qwerty_command", 9},
           Case{"capital V", {{"base", "none"}, {"plain", {{"20", "V"}}}}, 20},
           Case{"lowest of two", {{"base", "none"}, {"plain", {{"30", "v"}, {"12", "v"}}}}, 12},
           Case{"command layer first",
                {{"base", "none"}, {"plain", {{"3", "v"}}}, {"command", {{"3", "j"}, {"40", "v"}}}}, 40},
           Case{"plain when command has none",
                {{"base", "none"}, {"plain", {{"3", "v"}}}, {"command", {{"3", "j"}}}}, 3},
           Case{"only single units count",
                {{"base", "none"},
                 {"plain",
                  {{"1", "vv"}, {"2", {{"status", -50}}}, {"4", {{"units", {0xD800}}}},
                   {"5", "v"}}}},
                5},
       }) {
    SCOPED_TRACE(c.name);
    load({{"keyboard", c.keyboard}});
    PasteResult result = paste();
    EXPECT_EQ(result.outcome, Outcome::Pasted);
    EXPECT_EQ(posted(), command_v(c.keycode));
  }
}

TEST_F(PasteTest, CommandLayerKeyReachesTheApplication) {
  // Plain Dvorak puts V on 47, but with Command down the system reads the
  // QWERTY layer: only code 9 makes the application paste.
  json desktop = editor();
  desktop["keyboard"] = "dvorak_qwerty_command";
  desktop["paste"] = reaction({{"AXValue", "hello world"}});
  load(desktop);
  EXPECT_EQ(paste().outcome, Outcome::Pasted);
  EXPECT_EQ(posted(), command_v(9));
  EXPECT_EQ(effects("paste_applied").size(), 1u);
}

TEST_F(PasteTest, NoKeyForVFailsWithoutPosting) {
  for (const json& keyboard : {
           json{{"input_source", false}},
           json{{"layout_data", false}},
           json{{"base", "none"}, {"plain", {{"0", "a"}, {"9", "w"}, {"10", "\u0432"}}}},
       }) {
    SCOPED_TRACE(keyboard.dump());
    load({{"keyboard", keyboard}, {"focus", nullptr}});
    PasteResult result = paste();
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.reason, "bad_key");
    EXPECT_TRUE(posted().empty());
  }
}

// Carbon is looked up once per process, so each of these runs in a new one.
class PasteDeathTest : public PasteTest {};

TEST_F(PasteDeathTest, CarbonUnavailableIsBadKey) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const json& carbon : {
           json(false),
           json{{"missing", {"UCKeyTranslate"}}},
           json{{"missing", {"kTISPropertyUnicodeKeyLayoutData"}}},
           json{{"missing", {"TISCopyCurrentASCIICapableKeyboardLayoutInputSource"}}},
       }) {
    SCOPED_TRACE(carbon.dump());
    EXPECT_EXIT(
        {
          load({{"carbon", carbon}});
          PasteResult result = paste();
          std::fprintf(stderr, "reason=%s posted=%zu\n", result.reason.c_str(),
                       posted().size());
          remove_log();
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "reason=bad_key posted=0");
  }
}

// Either event of the Command+V pair failing to be made (the key-down, or
// only the key-up) must leave nothing posted: a lone key-down would leave
// the application believing the key is held.
TEST_F(PasteTest, KeyboardEventThatCannotBeMadeFailsWithoutPosting) {
  for (int64_t after : {0, 1}) {
    SCOPED_TRACE(after);
    load(editor());
    sim::fail_events(sim::EventKind::Keyboard, 1, after);
    PasteResult result = paste();
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.reason, "action_failed");
    EXPECT_TRUE(posted().empty());
  }
}

// ---- modifiers still down ------------------------------------------------

TEST_F(PasteTest, ShiftHeldDelaysTheKeystrokeAtMostFourHundredMs) {
  load({{"input", {{"flags", cg::kFlagShift}}}});
  EXPECT_EQ(timed_paste().outcome, Outcome::Pasted);
  EXPECT_GE(elapsed_, milliseconds(400));
  EXPECT_LT(elapsed_, milliseconds(2000));
  EXPECT_EQ(posted(), command_v(9));
}

TEST_F(PasteTest, KeystrokeFollowsTheReleaseOfShift) {
  load({{"input", {{"flags", cg::kFlagShift | cg::kFlagControl}}}});
  std::thread release([this] {
    std::this_thread::sleep_for(milliseconds(150));
    act({{"action", "flags"}, {"flags", 0}});
  });
  EXPECT_EQ(timed_paste().outcome, Outcome::Pasted);
  release.join();
  EXPECT_GE(elapsed_, milliseconds(150));
  EXPECT_EQ(posted(), command_v(9));
}

TEST_F(PasteTest, CommandCapsLockAndFnDoNotDelay) {
  load({{"input", {{"flags", cg::kFlagCommand | cg::kFlagAlphaShift | cg::kFlagSecondaryFn}}}});
  EXPECT_EQ(timed_paste().outcome, Outcome::Pasted);
  EXPECT_LT(elapsed_, milliseconds(350));
}

}  // namespace
}  // namespace frontmost::platform
