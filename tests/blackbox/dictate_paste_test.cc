// "paste" through the real binary: the key found for V, the outcomes seen
// from the focused field, the modifier wait, and end of input while a paste
// runs.
#include "dictate_fixture.h"

namespace dictate_test {
namespace {

using Clock = std::chrono::steady_clock;

// An application whose text field "field" has focus, inside `wrapper` roles
// (outermost first) below the application element.
json desktop_with_field(const std::vector<std::string>& wrappers = {}) {
  json node = {{"id", "field"},
               {"attributes",
                {{"AXRole", "AXTextArea"},
                 {"AXValue", "ab"},
                 {"AXSelectedTextRange", {{"range", {2, 0}}}}}},
               {"settable", {"AXValue", "AXSelectedText"}}};
  for (size_t i = wrappers.size(); i-- > 0;) {
    node = {{"id", "wrap" + std::to_string(i)},
            {"attributes", {{"AXRole", wrappers[i]}}},
            {"children", {node}}};
  }
  return {{"applications",
           {{{"pid", 600},
             {"ui", {{"id", "app"}, {"attributes", {{"AXRole", "AXApplication"}}},
                     {"children", {node}}}}}}},
          {"focus", "field"}};
}

// The field takes the text when Command+V reaches it.
json pasting(json desktop) {
  desktop["paste"] = {{"set",
                       {{{"element", "field"},
                         {"attributes",
                          {{"AXValue", "abhello"}, {"AXSelectedTextRange", {{"range", {7, 0}}}}}}}}}};
  return desktop;
}

const std::vector<std::string> kCommandV = {"9:down:1048576", "9:up:1048576"};

TEST(DictatePaste, ConfirmedWhenTheFieldChanges) {
  Dictate d(pasting(desktop_with_field()));
  d.expect_ready();
  d.command("17 paste");
  EXPECT_EQ(d.line(), R"({"event":"pasted","id":17})");
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.posted(), kCommandV);
  d.command("context");
  EXPECT_EQ(d.line(),
            R"({"before":"o","event":"context","focused":true,"secure":false,"text_field":true})");
}

TEST(DictatePaste, UnconfirmedWhenTheFieldStaysTheSame) {
  Dictate d(desktop_with_field());
  d.expect_ready();
  auto start = Clock::now();
  d.command("paste");
  EXPECT_EQ(d.line(), R"({"event":"paste_unconfirmed"})");
  EXPECT_GE(Clock::now() - start, milliseconds(300));
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.posted(), kCommandV);
}

TEST(DictatePaste, WebContentIsNotWatched) {
  Dictate d(desktop_with_field({"AXWebArea", "AXGroup"}));
  d.expect_ready();
  d.command("paste");
  EXPECT_EQ(d.line(), R"({"event":"pasted"})");
}

TEST(DictatePaste, KeyForVFollowsTheLayoutWhileCommandIsDown) {
  struct Case {
    json keyboard;
    std::vector<std::string> posted;
  };
  const std::vector<Case> cases = {
      {"dvorak_qwerty_command", kCommandV},
      {"dvorak", {"47:down:1048576", "47:up:1048576"}},
  };
  for (const Case& c : cases) {
    Dictate d(json{{"keyboard", c.keyboard}});
    d.expect_ready();
    d.command("paste");
    EXPECT_EQ(d.line(), R"({"event":"pasted"})") << c.keyboard;
    ASSERT_TRUE(d.desktop().sync());
    EXPECT_EQ(d.posted(), c.posted) << c.keyboard;
  }
}

TEST(DictatePaste, FailuresPostNothing) {
  {
    Dictate d(json{{"carbon", false}});
    d.expect_ready();
    d.command("5 paste");
    EXPECT_EQ(d.line(), R"({"event":"paste_failed","id":5,"reason":"bad_key"})");
    ASSERT_TRUE(d.desktop().sync());
    EXPECT_TRUE(d.posted().empty());
  }
  {
    Dictate d;
    d.expect_ready();
    d.act({{"action", "fail_events"}, {"kind", "keyboard"}, {"count", 1}});
    ASSERT_TRUE(d.desktop().sync());
    d.command("6 paste");
    EXPECT_EQ(d.line(), R"({"event":"paste_failed","id":6,"reason":"action_failed"})");
    d.command("7 paste");
    EXPECT_EQ(d.line(), R"({"event":"pasted","id":7})");
    ASSERT_TRUE(d.desktop().sync());
    EXPECT_EQ(d.posted(), kCommandV);
  }
}

TEST(DictatePaste, HeldShiftDelaysTheKeystroke) {
  // Released while the paste waits: the keystroke follows the release.
  {
    Dictate d(json{{"input", {{"flags", kShiftFlag}}}});
    d.expect_ready();
    d.command("paste");
    std::this_thread::sleep_for(milliseconds(150));
    d.act({{"action", "marker"}, {"label", "releasing"}});
    d.act({{"action", "flags"}, {"flags", 0}});
    EXPECT_EQ(d.line(), R"({"event":"pasted"})");
    ASSERT_TRUE(d.desktop().sync());
    std::vector<std::string> order;
    for (const json& effect : d.desktop().log()) {
      std::string kind = effect.value("effect", "");
      if (kind == "posted" || (kind == "marker" && effect.value("label", "") == "releasing"))
        order.push_back(kind);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"marker", "posted", "posted"}));
  }
  // Never released: the keystroke goes after the wait limit.
  {
    Dictate d(json{{"input", {{"flags", kShiftFlag}}}});
    d.expect_ready();
    auto start = Clock::now();
    d.command("paste");
    EXPECT_EQ(d.line(), R"({"event":"pasted"})");
    EXPECT_GE(Clock::now() - start, milliseconds(400));
    ASSERT_TRUE(d.desktop().sync());
    EXPECT_EQ(d.posted(), kCommandV);
  }
}

TEST(DictatePaste, EndOfInputWaitsForTheRunningPaste) {
  Dictate d(desktop_with_field());
  d.expect_ready();
  d.command("3 paste");
  d.child().close_input();
  EXPECT_EQ(d.line(), R"({"event":"paste_unconfirmed","id":3})");
  EXPECT_EQ(d.child().wait(), 0);
  EXPECT_EQ(d.child().pending_output(), "");
}

}  // namespace
}  // namespace dictate_test
