// Framework calls that fail under the helper (the desktop file's "faults"),
// and what the host is told then: never text from a field that may be
// secure, never "ready" or "tap_reenabled" over a tap that does not run.
#include "dictate_fixture.h"

namespace dictate_test {
namespace {

// The focused field of a password form: its role says text field, only its
// subrole would say secure.
json password_form(json faults) {
  return json{
      {"applications",
       json::array({{{"pid", 42},
                     {"ui",
                      {{"id", "app"},
                       {"attributes", {{"AXRole", "AXApplication"}}},
                       {"children",
                        json::array({{{"id", "pw"},
                                      {"attributes",
                                       {{"AXRole", "AXTextField"},
                                        {"AXSubrole", "AXSecureTextField"},
                                        {"AXValue", "hunter2"},
                                        {"AXSelectedTextRange", {{"range", {7, 0}}}}}}}})}}}}})},
      {"focus", "pw"},
      {"faults", std::move(faults)}};
}

json reply(support::Child& helper) { return json::parse(helper.read_line().value_or("{}")); }

// A subrole read that fails leaves the field maybe secure: nothing of its
// text is read, whatever its role says; "secure" still says only what was
// read.
TEST(InjectedFaults, NoTextBeforeTheCaretOfAFieldThatMayBeSecure) {
  for (const char* attribute : {"AXSubrole", "AXRole"}) {
    SCOPED_TRACE(attribute);
    support::Desktop desktop(password_form(json::array(
        {json({{"function", "AXUIElementCopyAttributeValue"}, {"attribute", attribute},
                {"count", 0}})})));
    support::Child helper({"dictate", "--key", "fn"}, desktop.env());
    ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
    helper.write("1 context\n");
    json context = reply(helper);
    EXPECT_EQ(context["before"], nullptr);
    EXPECT_EQ(context["secure"], std::string(attribute) == "AXRole");  // the subrole says so
    EXPECT_EQ(context["text_field"], true);
    helper.close_input();
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_FALSE(desktop.effects("fault").empty());
  }
}

// A tap that cannot be made to run: no run-loop source for it, or an
// enable that never takes. No "ready", status 1, one diagnostic line.
TEST(InjectedFaults, ATapThatCannotRunGivesNoReady) {
  const std::pair<const char*, const char*> cases[] = {
      {"CFMachPortCreateRunLoopSource", "event tap does not run: no run-loop source for it\n"},
      {"CGEventTapEnable", "event tap does not run: it stayed off when turned on\n"},
  };
  for (const auto& [function, diagnostic] : cases) {
    for (const char* mode : {"dictate", "annotate"}) {
      SCOPED_TRACE(std::string(function) + " " + mode);
      support::Desktop desktop(
          json{{"faults", json::array({json({{"function", function}, {"count", 0}})})}});
      std::vector<std::string> args = {mode};
      if (std::string(mode) == "dictate") args = {"dictate", "--key", "fn"};
      support::Child helper(args, desktop.env());
      EXPECT_EQ(helper.read_line(), std::nullopt);
      EXPECT_EQ(helper.wait(), 1);
      EXPECT_EQ(helper.err(), diagnostic);
    }
  }
}

// An enable that does not take the first time is asked again: the session
// starts as usual.
TEST(InjectedFaults, AnEnableThatTakesOnlyTheSecondTimeStillStarts) {
  support::Desktop desktop(json{{"faults", json::array({json({{"function", "CGEventTapEnable"}})})}});
  support::Child helper({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
  desktop.act(fn_down());
  EXPECT_NE(helper.read_line().value_or("").find(R"("event":"down")"), std::string::npos);
  EXPECT_EQ(desktop.effects("fault").size(), 1u);
  helper.close_input();
  EXPECT_EQ(helper.wait(), 0);
}

// After the system turned the tap off: "tap_reenabled" only for a tap that
// is on again. One enable that does not take is retried; one that never
// takes ends the process after the key events queued before it, with the
// diagnostic, instead of leaving a dead tap behind a live session.
TEST(InjectedFaults, ReEnableIsConfirmedOrTheProcessEnds) {
  for (uint64_t count : {uint64_t{1}, uint64_t{0}}) {
    SCOPED_TRACE(count);
    // The first enable is the start's; the second the re-enable's.
    support::Desktop desktop(json{{"faults", json::array({json(
                                                 {{"function", "CGEventTapEnable"},
                                                  {"call", 2},
                                                  {"count", count}})})}});
    support::Child helper({"dictate", "--key", "fn"}, desktop.env());
    ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
    desktop.act(fn_down());
    EXPECT_NE(helper.read_line().value_or("").find(R"("event":"down")"), std::string::npos);
    desktop.act({{"action", "tap_disabled"}, {"by", "user_input"}});
    if (count == 1) {
      EXPECT_NE(helper.read_line().value_or("").find(R"("event":"tap_reenabled")"),
                std::string::npos);
      desktop.act(fn_up());
      EXPECT_NE(helper.read_line().value_or("").find(R"("event":"up")"), std::string::npos);
      helper.close_input();
      EXPECT_EQ(helper.wait(), 0);
      EXPECT_EQ(helper.err(), "");
    } else {
      EXPECT_EQ(helper.read_line(), std::nullopt);
      EXPECT_EQ(helper.wait(), 1);
      EXPECT_EQ(helper.err(),
                "event tap does not run: it stayed off after the system turned it off\n");
    }
  }
}

// Annotate's listen-only tap likewise.
TEST(InjectedFaults, AnnotateReEnableIsConfirmedOrTheProcessEnds) {
  support::Desktop desktop(json{{"faults", json::array({json(
                                               {{"function", "CGEventTapEnable"},
                                                {"call", 2},
                                                {"count", 0}})})}});
  support::Child helper({"annotate"}, desktop.env());
  ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
  desktop.act({{"action", "tap_disabled"}, {"by", "user_input"}});
  EXPECT_EQ(helper.read_line(), std::nullopt);
  EXPECT_EQ(helper.wait(), 1);
  EXPECT_EQ(helper.err(), "event tap does not run: it stayed off after the system turned it off\n");
}

// Faults added live through the control channel count the calls made
// before them too, and each failure is in the effects log.
TEST(InjectedFaults, ALiveFaultCountsFromTheStartOfTheProcess) {
  support::Desktop desktop(password_form(json::array()));
  support::Child helper({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
  helper.write("1 clipboard\n");
  EXPECT_EQ(reply(helper)["sensitive"], false);
  // The pasteboard was asked for once; its second request fails.
  desktop.act({{"action", "fault"}, {"function", "generalPasteboard"}, {"call", 2}});
  ASSERT_TRUE(desktop.sync());
  helper.write("2 clipboard\n3 clipboard\n");
  EXPECT_EQ(reply(helper)["sensitive"], false);  // unreadable: answered as not sensitive
  EXPECT_EQ(reply(helper)["sensitive"], false);
  std::vector<json> faults = desktop.effects("fault");
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0]["function"], "generalPasteboard");
  EXPECT_EQ(faults[0]["ordinal"], 2);
  helper.close_input();
  EXPECT_EQ(helper.wait(), 0);
}

// An application that answers only after 5 s, and a messaging timeout that
// cannot be set: nothing is asked of the application (unbounded, each read
// would wait out the system's default), so every answer comes at once and
// says what could not be read.
TEST(InjectedFaults, NoReadWithoutItsMessagingTimeout) {
  json hung = password_form(json::array(
      {json({{"function", "AXUIElementSetMessagingTimeout"}, {"count", 0}})}));
  hung["applications"][0]["delay_ms"] = 5000;
  support::Desktop desktop(hung);
  support::Child helper({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
  const std::pair<const char*, const char*> asked[] = {
      {"1 screen_focus", R"({"event":"screen_focus","focused":false,"id":1})"},
      {"2 context", R"({"event":"context","focused":false,"id":2})"},
      {"3 app_accessibility 42", R"({"event":"app_accessibility","id":3,"result":"failed"})"},
      {"4 paste", R"({"event":"pasted","id":4})"},
  };
  for (const auto& [command, answer] : asked) {
    helper.write(std::string(command) + "\n");
    EXPECT_EQ(helper.read_line(milliseconds(2500)).value_or("(no answer in time)"), answer)
        << command;
  }
  helper.close_input();
  EXPECT_EQ(helper.wait(), 0);
  EXPECT_FALSE(desktop.effects("fault").empty());
}

}  // namespace
}  // namespace dictate_test
