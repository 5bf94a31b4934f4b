// "screen_focus" and "screen_text" through the real binary: what the reports
// hold, when the text report refuses, slow applications, the application
// cache, and the ownership audit of the helper around the reports.
#include "dictate_fixture.h"

namespace dictate_test {
namespace {

using Clock = std::chrono::steady_clock;

json element(const std::string& id, json attributes, json extra = json::object()) {
  json e = {{"id", id}, {"attributes", std::move(attributes)}};
  for (auto& [key, value] : extra.items()) e[key] = value;
  return e;
}

json text(const std::string& id, const std::string& value, double x = 10) {
  return element(id, {{"AXRole", "AXStaticText"},
                      {"AXValue", value},
                      {"AXFrame", {{"rect", {x, 10, 200, 20}}}}});
}

json application(int pid, json window_children, json extra = json::object()) {
  json window = element("window" + std::to_string(pid),
                        {{"AXRole", "AXWindow"},
                         {"AXTitle", "Window " + std::to_string(pid)},
                         {"AXFrame", {{"rect", {0, 0, 1000, 800}}}}},
                        {{"children", std::move(window_children)}});
  json app = {{"pid", pid},
              {"bundle_id", "com.example.app" + std::to_string(pid)},
              {"name", "App " + std::to_string(pid)},
              {"ui", element("app" + std::to_string(pid), {{"AXRole", "AXApplication"}},
                             {{"children", {window}}})}};
  for (auto& [key, value] : extra.items()) app[key] = value;
  return app;
}

json field(const std::string& id, const std::string& value, json extra = json::object()) {
  json attributes = {{"AXRole", "AXTextField"},
                     {"AXValue", value},
                     {"AXSelectedTextRange", {{"range", {value.size(), 0}}}},
                     {"AXFrame", {{"rect", {10, 300, 400, 30}}}}};
  for (auto& [key, v] : extra.items()) attributes[key] = v;
  return element(id, attributes);
}

class Screen {
 public:
  // The clock stands still unless the scene's desktop makes time pass.
  explicit Screen(json desktop) : d_(support::with_still_clock(std::move(desktop))) {
    d_.expect_ready();
  }

  json reply(const std::string& command) {
    d_.command(command);
    json line = json::parse(d_.line(), nullptr, false);
    EXPECT_TRUE(line.is_object()) << command;
    return line;
  }
  // The reply without "event" and "id", after checking them.
  json report(const std::string& command, const std::string& event) {
    json line = reply("9 " + command);
    EXPECT_EQ(line.value("event", ""), event) << command;
    EXPECT_EQ(line.value("id", 0), 9) << command;
    line.erase("event");
    line.erase("id");
    return line;
  }
  json focus() { return report("screen_focus", "screen_focus"); }
  json text(int pid) { return report("screen_text " + std::to_string(pid), "screen_text"); }
  void act(const json& action) {
    d_.act(action);
    ASSERT_TRUE(d_.desktop().sync());
  }
  // The helper's live platform objects and over-releases.
  std::pair<int64_t, int64_t> audit() {
    act({{"action", "audit"}});
    json last = d_.desktop().effects("audit").back();
    return {last.value("live", int64_t{-1}), last.value("over_releases", int64_t{-1})};
  }
  size_t lookups(int pid) {
    size_t n = 0;
    for (const json& e : d_.desktop().effects("app_lookup")) n += e.value("pid", 0) == pid;
    return n;
  }

 private:
  Dictate d_;
};

TEST(DictateScreen, EditorSceneReportsLabelsAndTheTextAround) {
  std::string head(360, 'a'), tail = "we ship on Friday";
  while (tail.size() < 134) tail += " ok";
  tail.resize(134);
  std::string body_text = head + " 2024 " + tail;  // 500 units, caret at the end
  json body = field("body", body_text,
                    {{"AXRole", "AXTextArea"},
                     {"AXTitle", "Message body"},
                     {"AXDescription", "   "},
                     {"AXPlaceholderValue", "Write your reply"},
                     {"AXHelp", std::string(150, 'h') + std::string(150, 't')},
                     {"AXIdentifier", "reply-body"},
                     {"AXDOMIdentifier", {{"error", -25205}}},
                     {"AXTitleUIElement", {{"element", "subject"}}}});
  json conversation = element("conversation",
                              {{"AXRole", "AXScrollArea"}, {"AXFrame", {{"rect", {0, 0, 900, 300}}}}},
                              {{"children",
                                {text("m1", "Anna: Are we still on for Friday?"),
                                 text("m2", "Ben: Yes, 10:30 works for me."), text("m3", "x"),
                                 text("m4", "Anna: Are we still on for Friday?"),
                                 text("hidden", "Hidden draft", 2000)}}});
  json subject = text("subject", "Subject");
  subject["attributes"]["AXTitle"] = "Subject label";
  json signature = element("signature",
                           {{"AXRole", "AXGroup"},
                            {"AXFrame", {{"rect", {0, 700, 400, 50}}}},
                            {"AXEditableAncestor", {{"element", "body"}}}},
                           {{"children", {text("sig", "Kind regards")}}});
  json header = element("header", {{"AXRole", "AXGroup"}, {"AXFrame", {{"rect", {0, 0, 900, 60}}}}},
                        {{"children", {text("to", "To: Anna Berg"), text("cc", "Cc: Ben Ode")}}});
  json send = element("send", {{"AXRole", "AXButton"}, {"AXValue", "Send now"},
                               {"AXFrame", {{"rect", {900, 0, 80, 30}}}}});
  json app = application(612, {send, header, conversation, subject, body, signature,
                               text("footer", "Sent from my desk")},
                         {{"bundle", {{"category", "public.app-category.business"}}}});
  app["ui"]["children"][0]["attributes"]["AXTitle"] = "Re: Quarterly plan";
  Screen s({{"applications", {app}}, {"focus", "body"}});

  auto [live, over] = s.audit();
  EXPECT_EQ(s.focus(), json::parse(R"({
      "focused": true, "complete": true, "pid": 612, "secure": false,
      "bundle_id": "com.example.app612", "app": "App 612", "category": "business",
      "window_title": "Re: Quarterly plan", "role": "AXTextArea", "subrole": null,
      "labels": ["Message body", "Write your reply", ")" + std::string(100, 'h') + " … " +
                                  std::string(100, 't') + R"(", "reply-body", "Subject"]})"));
  // The remembered element is the one object the report keeps.
  EXPECT_EQ(s.audit(), std::make_pair(live + 1, over));
  EXPECT_EQ(s.text(612), (json{{"before", tail},
                               {"text",
                                "Subject\nAnna: Are we still on for Friday?\n"
                                "Ben: Yes, 10:30 works for me.\nSent from my desk\n"
                                "To: Anna Berg\nCc: Ben Ode"}}));
  EXPECT_EQ(s.audit(), std::make_pair(live, over));
  EXPECT_EQ(s.text(612), json::object());  // taken by the first
}

TEST(DictateScreen, TextIsRefusedUnlessTheReportedFieldStillHasTheFocus) {
  json loose = field("loose", "draft");  // no window above it
  json app = application(700, {field("name", "Ann"),
                               field("password", "", {{"AXRole", "AXSecureTextField"}})});
  app["ui"]["children"].push_back(loose);
  Screen s({{"applications", {app}}, {"focus", "password"}});
  auto [live, over] = s.audit();
  EXPECT_EQ(s.text(700), json::object());  // before any focus report

  json password = s.focus();
  EXPECT_EQ(password.value("secure", false), true);
  EXPECT_EQ(password.value("complete", false), true);
  EXPECT_EQ(s.text(700), json::object());

  auto focus_name = [&] {
    s.act({{"action", "focus"}, {"element", "name"}});
    EXPECT_EQ(s.focus().value("secure", true), false);
  };
  focus_name();
  s.act({{"action", "focus"}, {"element", "password"}});
  EXPECT_EQ(s.text(700), json::object());  // the focus moved
  focus_name();
  EXPECT_EQ(s.text(701), json::object());  // another process
  focus_name();
  s.act({{"action", "secure_input"}, {"on", true}});
  EXPECT_EQ(s.text(700), json::object());
  s.act({{"action", "secure_input"}, {"on", false}});
  EXPECT_EQ(s.text(700), json::object());  // the remembered element is gone
  focus_name();
  EXPECT_EQ(s.text(700), (json{{"before", "Ann"}, {"text", ""}}));

  s.act({{"action", "focus"}, {"element", "loose"}});
  json report = s.focus();
  EXPECT_EQ(report["window_title"], nullptr);
  EXPECT_EQ(report["complete"], true);
  EXPECT_EQ(s.text(700), (json{{"before", "draft"}, {"text", ""}}));
  EXPECT_EQ(s.audit(), std::make_pair(live, over));
}

TEST(DictateScreen, SlowApplicationsAreAnsweredWithinTheBudget) {
  // Application 830 answers only for the elements with a delay of their
  // own: the field, its window and the nearest sibling; 831 never answers.
  auto quick = [](json e) {
    e["delay_ms"] = 0;
    return e;
  };
  json app = application(830, {text("first", "Never reached"), quick(text("near", "Nearby note")),
                               quick(field("field", "hello")), text("far", "Hung sibling")},
                         {{"delay_ms", 60000}});
  app["ui"]["children"][0]["delay_ms"] = 0;
  json hung = application(831, {field("spinner", "")}, {{"delay_ms", 60000}});
  Screen s({{"applications", {app, hung}}, {"focus", "field"}});
  auto [live, over] = s.audit();

  EXPECT_EQ(s.focus().value("complete", false), true);
  auto start = Clock::now();
  EXPECT_EQ(s.text(830), (json{{"before", "hello"}, {"text", "Nearby note"}}));
  EXPECT_LT(Clock::now() - start, milliseconds(1000));

  s.act({{"action", "focus"}, {"element", "spinner"}});
  start = Clock::now();
  EXPECT_EQ(s.focus(), json::parse(R"({
      "focused": true, "complete": false, "pid": 831, "secure": true,
      "bundle_id": "com.example.app831", "app": "App 831", "category": null,
      "window_title": null, "role": null, "subrole": null, "labels": []})"));
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  EXPECT_EQ(s.text(831), json::object());
  EXPECT_EQ(s.audit(), std::make_pair(live, over));
}

TEST(DictateScreen, ApplicationLookupIsCachedFor300Seconds) {
  Screen s({{"applications",
             {application(501, {field("a", "x")}),
              application(502, {field("b", "y")}, {{"running", false}}),
              application(503, {field("c", "z")}, {{"lookup_delay_ms", 40}})}},
            {"focus", "a"}});
  auto [live, over] = s.audit();
  s.focus();
  EXPECT_EQ(s.focus().value("app", ""), "App 501");
  EXPECT_EQ(s.lookups(501), 1u);
  s.act({{"action", "clock"}, {"advance_ms", 299500}});  // 299 whole seconds
  s.focus();
  EXPECT_EQ(s.lookups(501), 1u);
  s.act({{"action", "clock"}, {"advance_ms", 600}});
  s.focus();
  EXPECT_EQ(s.lookups(501), 2u);

  // Not running: nothing to report and nothing cached.
  s.act({{"action", "focus"}, {"element", "b"}});
  json gone = s.focus();
  EXPECT_EQ(gone["complete"], false);
  EXPECT_EQ(gone["bundle_id"], nullptr);
  EXPECT_EQ(gone["app"], nullptr);
  EXPECT_EQ(gone["category"], nullptr);
  s.focus();
  EXPECT_EQ(s.lookups(502), 2u);

  // A lookup that outlasts the budget: all there, but not complete, so the
  // text report refuses.
  s.act({{"action", "focus"}, {"element", "c"}});
  json slow = s.focus();
  EXPECT_EQ(slow["app"], "App 503");
  EXPECT_EQ(slow["complete"], false);
  EXPECT_EQ(s.text(503), json::object());
  EXPECT_EQ(s.audit(), std::make_pair(live, over));
}

}  // namespace
}  // namespace dictate_test
