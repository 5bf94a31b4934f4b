// "app_accessibility" through the real binary against the chat application
// and the browser page of examples/: every result, the tree absent before the
// application's delay and present after it, "already" without a second set,
// a relaunch, "enhanced" for a browser that ignores the first attribute, a
// hung application that does not hold up the hotkey, and the effects log,
// which never shows a set to false.
#include <fstream>
#include <random>

#include "dictate_fixture.h"

namespace dictate_test {
namespace {

using Clock = std::chrono::steady_clock;

json example(const std::string& name) {
  std::ifstream in(std::string(QCH_SOURCE_DIR) + "/examples/" + name);
  return json::parse(in);
}

class Session {
 public:
  explicit Session(json desktop) : d_(std::move(desktop)) { d_.expect_ready(); }

  // The reply to one command, without "event" and "id" after checking them.
  json reply(const std::string& command, const std::string& event) {
    d_.command("3 " + command);
    json line = json::parse(d_.line(), nullptr, false);
    EXPECT_EQ(line.value("event", ""), event) << command;
    EXPECT_EQ(line.value("id", 0), 3) << command;
    line.erase("event");
    line.erase("id");
    return line;
  }
  std::string result(const std::string& argument) {
    return reply("app_accessibility " + argument, "app_accessibility").value("result", "");
  }
  // The role the focus report gives (null: nothing focused).
  json focused_role() { return reply("screen_focus", "screen_focus").value("role", json()); }
  bool text_field() { return reply("context", "context").value("text_field", false); }
  void act(const json& action) {
    d_.act(action);
    ASSERT_TRUE(d_.desktop().sync());
  }
  // The sets the application saw, as "<pid> <attribute> <value>".
  std::vector<std::string> sets() {
    std::vector<std::string> out;
    for (const json& e : d_.desktop().effects("ax_set"))
      out.push_back(e["pid"].dump() + " " + e.value("attribute", "") + " " + e["value"].dump());
    return out;
  }
  Dictate& dictate() { return d_; }

 private:
  Dictate d_;
};

const std::string kChatSet = "810 AXManualAccessibility true";

// The chat application: no field before, the compose field once the 800 ms
// have passed; "already" after that without another message; a relaunched
// process is enabled anew.
TEST(DictateAppAccessibility, ChatApplicationTreeAppearsAfterItsDelay) {
  Session s(example("chat_app.json"));
  EXPECT_EQ(s.focused_role(), "AXWindow");
  EXPECT_FALSE(s.text_field());
  auto asked = Clock::now();
  EXPECT_EQ(s.result("810"), "enabled");
  EXPECT_EQ(s.focused_role(), "AXWindow");  // well within the 800 ms
  EXPECT_LT(Clock::now() - asked, milliseconds(700)) << "the scene needs the tree still absent";
  std::this_thread::sleep_for(milliseconds(900) - (Clock::now() - asked));
  EXPECT_EQ(s.focused_role(), "AXTextArea");
  EXPECT_TRUE(s.text_field());
  EXPECT_EQ(s.result("810"), "already");
  EXPECT_EQ(s.result("+810"), "already");
  EXPECT_EQ(s.sets(), std::vector<std::string>{kChatSet});

  s.act({{"action", "relaunch"}, {"pid", 810}});
  EXPECT_EQ(s.focused_role(), "AXWindow");
  EXPECT_EQ(s.result("810"), "enabled");
  EXPECT_EQ(s.sets(), (std::vector<std::string>{kChatSet, kChatSet}));
  // The clock moved past the delay: the tree is there without waiting.
  s.act({{"action", "clock"}, {"advance_ms", 1000}});
  EXPECT_EQ(s.focused_role(), "AXTextArea");
}

// The browser: the first attribute is unsupported and changes nothing; with
// "enhanced" the page's tree comes 2 s later. Each attribute is remembered
// on its own.
TEST(DictateAppAccessibility, BrowserNeedsEnhanced) {
  Session s(example("browser_page.json"));
  EXPECT_EQ(s.focused_role(), "AXWebArea");  // a bare web area
  EXPECT_EQ(s.result("830"), "unconfirmed");
  EXPECT_EQ(s.result("830"), "unconfirmed");  // nothing remembered
  s.act({{"action", "clock"}, {"advance_ms", 3000}});
  EXPECT_EQ(s.focused_role(), "AXWebArea");
  EXPECT_EQ(s.result("830 enhanced"), "enabled");
  EXPECT_EQ(s.focused_role(), "AXWebArea");
  EXPECT_EQ(s.result("830 enhanced"), "already");
  s.act({{"action", "clock"}, {"advance_ms", 2100}});
  EXPECT_EQ(s.focused_role(), "AXTextArea");
  EXPECT_EQ(s.sets(), (std::vector<std::string>{"830 AXManualAccessibility true",
                                                "830 AXManualAccessibility true",
                                                "830 AXEnhancedUserInterface true"}));
}

// An older Electron answers "unsupported" and still turns it on; reading it
// back then tells the helper it is on.
TEST(DictateAppAccessibility, OlderElectronIsUnconfirmedThenAlready) {
  json desktop = example("chat_app.json");
  desktop["applications"][0]["accessibility_on_request"]["answer"] = "unsupported";
  desktop["applications"][0]["accessibility_on_request"]["delay_ms"] = 0;
  Session s(desktop);
  EXPECT_EQ(s.result("810"), "unconfirmed");
  EXPECT_EQ(s.focused_role(), "AXTextArea");
  EXPECT_EQ(s.result("810"), "already");
  EXPECT_EQ(s.sets(), std::vector<std::string>{kChatSet});
}

// No application, no permission, a malformed argument: nothing is set. An
// application that already reports it true is "already" without a set.
// (The permission comes back long before the tap would be given up.)
TEST(DictateAppAccessibility, RefusalsSetNothing) {
  json desktop = example("chat_app.json");
  desktop["processes"] = {{"381", "WindowServer"}};
  desktop["tap_timeout_ms"] = 60000;
  desktop["applications"].push_back(json::parse(R"({"pid": 820, "ui": {"id": "on",
      "attributes": {"AXRole": "AXApplication", "AXManualAccessibility": true}}})"));
  Session s(desktop);
  EXPECT_EQ(s.result("4242"), "no_app");       // no process
  EXPECT_EQ(s.result("381"), "no_app");        // a process, not an application
  EXPECT_EQ(s.result("2147483647"), "no_app");
  EXPECT_EQ(s.result("820"), "already");
  for (const char* argument : {"", "0", "-810", "810x", "810 enhanced now", "810 Enhanced",
                               " 810", "810  enhanced", "2147483648", "0x32a"}) {
    EXPECT_EQ(s.result(argument), "bad_argument") << '"' << argument << '"';
  }
  EXPECT_EQ(s.reply("app_accessibility", "app_accessibility"), json({{"result", "bad_argument"}}));
  s.act({{"action", "permissions"}, {"accessibility", false}});
  EXPECT_EQ(s.result("810"), "failed");
  EXPECT_EQ(s.sets(), std::vector<std::string>{});
  EXPECT_EQ(s.focused_role(), nullptr);
  s.act({{"action", "permissions"}, {"accessibility", true}});
  EXPECT_EQ(s.result("810"), "enabled");
  EXPECT_EQ(s.sets(), std::vector<std::string>{kChatSet});
}

// An application that does not answer: "failed" after the messaging
// timeout, once, while the hotkey's events keep coming from the tap thread.
TEST(DictateAppAccessibility, HungApplicationFailsWithoutHoldingTheHotkey) {
  json desktop = example("chat_app.json");
  desktop["applications"][0]["delay_ms"] = 3000;
  Dictate d(desktop);
  d.expect_ready();
  auto asked = Clock::now();
  d.command("4 app_accessibility 810");
  std::this_thread::sleep_for(milliseconds(50));
  d.act(fn_down());
  std::string first = d.line();
  EXPECT_NE(first.find(R"("event":"down")"), std::string::npos) << first;
  EXPECT_EQ(d.line(), R"({"event":"app_accessibility","id":4,"result":"failed"})");
  auto took = Clock::now() - asked;
  EXPECT_GE(took, milliseconds(250));  // the read, cut off at 0.25 s
  EXPECT_LT(took, milliseconds(2500));
  d.act(fn_up());
  EXPECT_NE(d.line().find(R"("event":"up")"), std::string::npos);
}

// Whatever the host asks, in any order, the application only ever sees sets
// to true: the helper never turns accessibility off for its other clients.
TEST(DictateAppAccessibility, NeverSetsFalse) {
  json desktop = example("browser_page.json");
  json chat = example("chat_app.json");  // the loop reads into it: it must outlive the loop
  for (const json& app : chat["applications"]) desktop["applications"].push_back(app);
  desktop.erase("focus");
  Session s(desktop);
  std::mt19937 random(24);
  const std::vector<std::string> arguments = {"810", "810 enhanced", "830", "830 enhanced",
                                              "77", "810 false", "830 0"};
  for (int k = 0; k < 40; ++k) {
    if (k % 9 == 8) s.act({{"action", "relaunch"}, {"pid", k % 2 ? 810 : 830}});
    std::string argument =
        arguments[std::uniform_int_distribution<size_t>(0, arguments.size() - 1)(random)];
    EXPECT_NE(s.result(argument), "");
  }
  std::vector<std::string> sets = s.sets();
  EXPECT_FALSE(sets.empty());
  for (const std::string& set : sets) EXPECT_EQ(set.substr(set.size() - 5), " true") << set;
}

}  // namespace
}  // namespace dictate_test
