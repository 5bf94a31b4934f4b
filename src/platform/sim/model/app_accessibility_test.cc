// Accessibility on request through the platform layer: which elements exist
// before and after the application's accessibility is on (over generated
// trees), what the two attributes answer, the delay, relaunch and the start
// times, and the desktop file's refusals.
#include "platform/sim/model/app_accessibility.h"

#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/ax.h"
#include "platform/proc.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;
using namespace sim::testing;

constexpr const char* kManual = "AXManualAccessibility";
constexpr const char* kEnhanced = "AXEnhancedUserInterface";

json on_request(const char* attribute, double delay_ms = 0, const char* answer = "success") {
  return {{"attribute", attribute}, {"delay_ms", delay_ms}, {"answer", answer}};
}

// A chat application (pid 900): its window always exists, the web area with
// the compose field only once accessibility is on.
json chat(json request = on_request(kManual)) {
  json d = json::parse(R"({"applications": [{"pid": 900, "ui": {"id": "app",
      "attributes": {"AXRole": "AXApplication", "AXIdentifier": "app"}, "children": [
        {"id": "win", "attributes": {"AXRole": "AXWindow", "AXIdentifier": "win"}, "children": [
          {"id": "web", "needs_accessibility": true,
           "attributes": {"AXRole": "AXWebArea", "AXIdentifier": "web"},
           "children": [{"id": "compose",
                         "attributes": {"AXRole": "AXTextArea", "AXIdentifier": "compose"}}]}]}]}}],
    "processes": {"381": "WindowServer"}, "focus": "compose"})");
  d["applications"][0]["accessibility_on_request"] = std::move(request);
  return d;
}

ax::Error set(cf::TypeRef element, const char* name, bool value) {
  return ax::set_attribute_value(element, name, cf::boolean_value(value));
}

// The attribute read as a boolean: "true", "false", or the error code.
std::string read(cf::TypeRef element, const char* name) {
  cf::Ref value;
  ax::Error error = ax::copy_attribute_value(element, name, &value);
  if (error != ax::kSuccess) return std::to_string(error);
  return cf::equal(value.get(), cf::boolean_value(true)) ? "true" : "false";
}

std::string identifier(cf::TypeRef element) {
  cf::Ref value;
  if (!element || ax::copy_attribute_value(element, "AXIdentifier", &value) != ax::kSuccess)
    return "";
  return utf8(value.get());
}

std::string focused_id() { return identifier(focused().get()); }

// One element reached, and its identifier.
struct Reached {
  cf::Ref element;
  std::string id;
};

// Every element reached from `root` through "AXChildren" (and as many
// through "AXVisibleChildren"), by identifier; the references kept.
std::set<std::string> walk(cf::TypeRef root, std::vector<Reached>* refs = nullptr) {
  std::set<std::string> seen;
  std::vector<cf::Ref> pending;
  pending.push_back(cf::Ref::retained(root));
  while (!pending.empty()) {
    cf::Ref e = std::move(pending.back());
    pending.pop_back();
    std::string id = identifier(e.get());
    seen.insert(id);
    cf::Ref shown;
    EXPECT_EQ(ax::copy_attribute_value(e.get(), "AXVisibleChildren", &shown), ax::kSuccess);
    cf::Ref children;
    EXPECT_EQ(ax::copy_attribute_value(e.get(), "AXChildren", &children), ax::kSuccess);
    EXPECT_EQ(cf::array_count(shown.get()), cf::array_count(children.get()));
    for (int64_t k = 0; k < cf::array_count(children.get()); ++k)
      pending.push_back(cf::Ref::retained(cf::array_get(children.get(), k)));
    if (refs) refs->push_back({std::move(e), id});
  }
  return seen;
}

// Over generated trees: before accessibility is on, exactly the elements
// without a marked ancestor-or-self exist; a hidden focus is reported at the
// nearest of them (none when that is the application element); once on, every
// element exists; off again, what was hidden answers "invalid" to a
// reference taken while it existed.
TEST(AccessibilityOnRequest, HiddenSubtreesOverGeneratedTrees) {
  std::mt19937 random(24);
  for (int round = 0; round < 150; ++round) {
    int n = std::uniform_int_distribution<int>(2, 30)(random);
    std::vector<int> parent(n, -1);
    std::vector<bool> marked(n, false);
    std::vector<json> nodes(n);
    for (int k = 0; k < n; ++k) {
      std::string id = "n" + std::to_string(k);
      nodes[k] = {{"id", id},
                  {"attributes", {{"AXIdentifier", id}, {"AXRole", "AXGroup"}}},
                  {"children", json::array()}};
      if (k > 0) {
        parent[k] = std::uniform_int_distribution<int>(0, k - 1)(random);
        marked[k] = std::uniform_int_distribution<int>(0, 9)(random) < 3;
        if (marked[k]) nodes[k]["needs_accessibility"] = true;
      }
    }
    for (int k = n - 1; k > 0; --k) nodes[parent[k]]["children"].insert(
        nodes[parent[k]]["children"].begin(), nodes[k]);
    int focus = std::uniform_int_distribution<int>(0, n - 1)(random);
    json app = {{"pid", 77}, {"ui", nodes[0]}, {"accessibility_on_request", on_request(kEnhanced)}};
    json desktop = {{"focus", "n" + std::to_string(focus)}};
    desktop["applications"] = json::array({app});
    LOAD(desktop);

    std::set<std::string> all, visible;
    std::vector<bool> hidden(n, false);
    for (int k = 0; k < n; ++k) {
      hidden[k] = marked[k] || (k > 0 && hidden[parent[k]]);
      all.insert("n" + std::to_string(k));
      if (!hidden[k]) visible.insert("n" + std::to_string(k));
    }
    int reported = focus;
    while (hidden[reported]) reported = parent[reported];
    SCOPED_TRACE("round " + std::to_string(round));
    AuditScope scope;
    {
      cf::Ref app = ax::create_application(77);
      EXPECT_EQ(walk(app.get()), visible);
      bool moved_to_app = reported == 0 && focus != 0;
      EXPECT_EQ(focused_id(), moved_to_app ? "" : "n" + std::to_string(reported));

      ASSERT_EQ(set(app.get(), kEnhanced, true), ax::kSuccess);
      std::vector<Reached> refs;
      EXPECT_EQ(walk(app.get(), &refs), all);
      EXPECT_EQ(focused_id(), "n" + std::to_string(focus));

      ASSERT_EQ(set(app.get(), kEnhanced, false), ax::kSuccess);
      EXPECT_EQ(walk(app.get()), visible);
      for (const Reached& r : refs) {
        ax::Error expected = visible.count(r.id) ? ax::kSuccess : ax::kInvalidUIElement;
        cf::Ref role;
        int32_t pid = 0;
        EXPECT_EQ(ax::copy_attribute_value(r.element.get(), "AXRole", &role), expected) << r.id;
        EXPECT_EQ(ax::get_pid(r.element.get(), &pid), expected) << r.id;
      }
    }
    scope.expect_balanced();
  }
}

const std::set<std::string> kBefore = {"app", "win"};
const std::set<std::string> kAfter = {"app", "win", "web", "compose"};

std::string act(const json& action) { return apply_data_action(action); }
void advance(double ms) { ASSERT_EQ(act({{"action", "clock"}, {"advance_ms", ms}}), ""); }

// Only the application's own attribute, set to a boolean on its
// application element, changes anything; reading it tells whether it was
// set; the other attribute is unsupported either way.
TEST(AccessibilityOnRequest, OnlyItsOwnAttributeOnTheApplicationElement) {
  LOAD(chat());
  AuditScope scope;
  {
    cf::Ref app = ax::create_application(900);
    std::vector<Reached> refs;
    ASSERT_EQ(walk(app.get(), &refs), kBefore);
    cf::TypeRef window = refs[1].element.get();
    EXPECT_EQ(read(app.get(), kManual), "false");
    EXPECT_EQ(read(app.get(), kEnhanced), "-25205");
    EXPECT_EQ(set(app.get(), kEnhanced, true), ax::kAttributeUnsupported);
    EXPECT_EQ(set(window, kManual, true), ax::kAttributeUnsupported);
    cf::Ref system_wide = ax::create_system_wide();
    EXPECT_EQ(set(system_wide.get(), kManual, true), ax::kAttributeUnsupported);
    EXPECT_EQ(set(app.get(), "AXValue", true), ax::kAttributeUnsupported);
    cf::Ref one = cf::number_create_i64(1);
    EXPECT_EQ(ax::set_attribute_value(app.get(), kManual, one.get()), ax::kIllegalArgument);
    EXPECT_EQ(walk(app.get()), kBefore);
    EXPECT_EQ(focused_id(), "win");
    EXPECT_EQ(read(app.get(), kManual), "false");

    EXPECT_EQ(set(app.get(), kManual, true), ax::kSuccess);
    EXPECT_EQ(read(app.get(), kManual), "true");
    EXPECT_EQ(walk(app.get()), kAfter);
    EXPECT_EQ(focused_id(), "compose");
  }
  scope.expect_balanced();

  // Older Electron: the set works and still answers "unsupported".
  LOAD(chat(on_request(kManual, 0, "unsupported")));
  cf::Ref app = ax::create_application(900);
  EXPECT_EQ(set(app.get(), kManual, true), ax::kAttributeUnsupported);
  EXPECT_EQ(read(app.get(), kManual), "true");
  EXPECT_EQ(walk(app.get()), kAfter);

  // Without the Accessibility permission nothing is asked at all.
  json denied = chat();
  denied["permissions"] = {{"accessibility", false}};
  LOAD(denied);
  cf::Ref again = ax::create_application(900);
  EXPECT_EQ(set(again.get(), kManual, true), ax::kAPIDisabled);
  denied["permissions"]["accessibility"] = true;
  LOAD(denied);
  EXPECT_EQ(walk(ax::create_application(900).get()), kBefore);
}

// The tree appears `delay_ms` after the set; a set while it is pending
// starts the delay again; one after it is on changes nothing.
TEST(AccessibilityOnRequest, TheTreeAppearsAfterTheDelay) {
  LOAD(chat(on_request(kEnhanced, 2000)));
  cf::Ref app = ax::create_application(900);
  ASSERT_EQ(set(app.get(), kEnhanced, true), ax::kSuccess);
  EXPECT_EQ(read(app.get(), kEnhanced), "true");
  EXPECT_EQ(walk(app.get()), kBefore);
  advance(1500);
  EXPECT_EQ(walk(app.get()), kBefore);
  ASSERT_EQ(set(app.get(), kEnhanced, true), ax::kSuccess);
  advance(1500);
  EXPECT_EQ(walk(app.get()), kBefore);
  advance(600);
  EXPECT_EQ(walk(app.get()), kAfter);
  ASSERT_EQ(set(app.get(), kEnhanced, true), ax::kSuccess);
  EXPECT_EQ(walk(app.get()), kAfter);
}

// A relaunch is a new process under the same pid: a new start time, its
// accessibility off. Replacing the application's description keeps its
// process. Pids without an application have no application element.
TEST(AccessibilityOnRequest, RelaunchAndStartTimes) {
  LOAD(chat());
  std::optional<proc::StartTime> first = proc::start_time(900);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(proc::start_time(900), first);
  ASSERT_TRUE(proc::start_time(381).has_value());
  EXPECT_NE(proc::start_time(381), first);
  EXPECT_EQ(proc::start_time(12345), std::nullopt);

  cf::Ref app = ax::create_application(900);
  ASSERT_EQ(set(app.get(), kManual, true), ax::kSuccess);
  json replaced = chat()["applications"][0];
  replaced["action"] = "application";
  ASSERT_EQ(act(replaced), "");
  EXPECT_EQ(proc::start_time(900), first);
  cf::Ref same = ax::create_application(900);
  EXPECT_EQ(walk(same.get()), kAfter);

  ASSERT_EQ(act({{"action", "relaunch"}, {"pid", 900}}), "");
  std::optional<proc::StartTime> second = proc::start_time(900);
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(second, first);
  EXPECT_EQ(read(same.get(), kManual), "false");
  EXPECT_EQ(walk(same.get()), kBefore);
  EXPECT_EQ(act({{"action", "relaunch"}, {"pid", 5}}), "no application with pid 5");
  EXPECT_EQ(act({{"action", "relaunch"}, {"pid", "900"}}), "pid: expected a 32-bit process id");
  EXPECT_EQ(act({{"action", "relaunch"}, {"pid", 900}, {"now", true}}), "now: unknown member");

  cf::Ref none = ax::create_application(381);
  ASSERT_TRUE(none);
  EXPECT_EQ(read(none.get(), kManual), std::to_string(ax::kInvalidUIElement));
  EXPECT_EQ(set(none.get(), kManual, true), ax::kInvalidUIElement);
}

}  // namespace
}  // namespace sim
