#include "macos_screen/node.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/sim/testing/desktop_fixture.h"
#include "screen_text/nearby.h"
#include "screen_text/tree_testing.h"

namespace frontmost::platform::screen {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using screen_text::testing::Tree;

constexpr screen_text::Rect kArea{0, 0, 1000, 800};

// One random user-interface tree, built twice: in memory, where the walk's
// own tests define what it should find, and as a simulated application,
// where the same walk runs through Node and the accessibility layer. The
// platform side varies how each fact is told (a missing frame or one of
// another type, an editable ancestor that is an element, a string or an
// error, children only under "AXChildren", lists of more than 64, ...)
// without changing the fact.
class Scene {
 public:
  explicit Scene(uint32_t seed) : random_(seed) {
    int app = add(-1, "AXApplication", {});
    window_ = add(app, "AXWindow", {});
    nodes_[window_]["attributes"]["AXFrame"] = {{"rect", {0, 0, 1000, 800}}};
    tree_.node(window_).frame = kArea;
    grow(window_, 0);
    if (chance(0.2)) grow(app, 2);  // content outside any window
  }

  json desktop() {
    json ui = build(0);
    return {{"applications", json::array({{{"pid", 400}, {"ui", ui}}})}};
  }
  size_t size() const { return nodes_.size(); }
  Tree& tree() { return tree_; }
  std::string id(int k) const { return "n" + std::to_string(k); }
  // Where the walk starts: any element but the application and the window.
  int start() { return window_ + 1 + pick(static_cast<int>(size()) - window_ - 1); }

 private:
  bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  std::string words() {
    static const char* const kWords[] = {"Inbox", "Re:", "Meeting", "at", "10:30",
                                         "tomorrow", "a", "x", "42", "—", "Subject",
                                         "Thanks", "see", "you", "then", "12,000"};
    std::string text;
    int n = 1 + pick(chance(0.1) ? 60 : 5);
    for (int i = 0; i < n; ++i) text += std::string(i ? " " : "") + kWords[pick(16)];
    return text;
  }

  int add(int parent, const std::string& role, std::optional<std::string> value) {
    int k = tree_.add(parent, role, value);
    json node = {{"id", id(k)}, {"attributes", {{"AXRole", role}}}, {"children", json::array()}};
    nodes_.push_back(std::move(node));
    return k;
  }

  // Facts of one node, told in one of their platform forms.
  void describe(int k) {
    Tree::Node& node = tree_.node(k);
    json& attrs = nodes_[k]["attributes"];
    double r = std::uniform_real_distribution<double>(0, 1)(random_);
    if (r < 0.08) {
      node.frame.reset();
      if (chance(0.5)) attrs["AXFrame"] = {{"point", {1, 2}}};
    } else if (r < 0.14) {
      node.frame = screen_text::Rect{1200, 10, 50, 20};  // outside the window
    } else {
      node.frame = screen_text::Rect{double(pick(900)), double(pick(700)), 100, 20};
    }
    if (node.frame) {
      attrs["AXFrame"] = {{"rect", {node.frame->x, node.frame->y, node.frame->width,
                                    node.frame->height}}};
    }
    node.editable = chance(0.08);
    if (node.editable) {
      const json kinds[] = {json{{"element", "n1"}}, json{{"error", -25204}}, json("odd")};
      attrs["AXEditableAncestor"] = kinds[pick(3)];
    } else if (chance(0.3)) {
      attrs["AXEditableAncestor"] = {{"error", chance(0.5) ? -25212 : -25205}};
    }
    if (chance(0.04)) {
      node.role_readable = false;
      attrs["AXRole"] = chance(0.5) ? json{{"error", -25204}} : json(5);
    }
    if (node.role == "AXStaticText" && !node.value && chance(0.5)) {
      attrs["AXValue"] = {{"error", -25212}};
    } else if (node.value) {
      attrs["AXValue"] = *node.value;
    }
    if (chance(0.15)) attrs["AXVisibleChildren"] = {{"error", -25205}};
  }

  void grow(int parent, int depth) {
    static const char* const kRoles[] = {"AXGroup", "AXStaticText", "AXStaticText",
                                         "AXButton", "AXTextField", "AXScrollArea",
                                         "AXList", "AXRow", "AXImage", "AXComboBox",
                                         "AXWebArea", "AXStaticText"};
    int n = depth > 10 || size() > 500 ? 0 : pick(depth < 3 ? 5 : 3);
    if (depth == 0) n = 3 + pick(6);
    if (depth > 0 && depth < 4 && chance(0.03)) n = 65 + pick(80);
    for (int i = 0; i < n && size() < 700; ++i) {
      std::string role = kRoles[pick(12)];
      std::optional<std::string> value;
      if (role == "AXStaticText" && chance(0.9)) value = words();
      int k = add(parent, role, value);
      describe(k);
      if (role != "AXStaticText") grow(k, depth + 1);
    }
  }

  // A short child list may also be told as "AXVisibleChildren" with an
  // entry that is not an element among them.
  json build(int k) {
    json node = nodes_[k];
    const std::vector<int>& children = tree_.node(k).children;
    for (int c : children) node["children"].push_back(build(c));
    if (!children.empty() && children.size() < 60 &&
        !node["attributes"].contains("AXVisibleChildren") && chance(0.2)) {
      json visible = json::array();
      for (int c : children) visible.push_back({{"element", id(c)}});
      visible.insert(visible.begin() + pick(static_cast<int>(children.size())), "not an element");
      node["attributes"]["AXVisibleChildren"] = visible;
    }
    return node;
  }

  std::mt19937 random_;
  Tree tree_;
  std::vector<json> nodes_;
  int window_ = 0;
};

class NodeTest : public sim::testing::DesktopTest {
 protected:
  cf::Ref focused() {
    cf::Ref system_wide = ax::create_system_wide();
    cf::Ref value;
    ax::copy_attribute_value(system_wide.get(), "AXFocusedUIElement", &value);
    return value;
  }
};

// The walk finds the same texts through the accessibility layer as in
// memory, and releases every element it obtained (checked by the fixture at
// each load).
TEST_F(NodeTest, WalkThroughNodesMatchesTheTreeInMemory) {
  int nonempty = 0;
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    Scene scene(seed);
    int start = scene.start();
    json desktop = scene.desktop();
    desktop["focus"] = scene.id(start);
    load(desktop);
    std::string expected = screen_text::nearby_text(
        scene.tree().element(start), kArea, screen_text::kLimits, screen_text::Instant::max(),
        scene.tree().now());
    Reader reader(1h);
    std::string got = screen_text::nearby_text(std::make_unique<Node>(focused(), reader), kArea,
                                               screen_text::kLimits, reader.deadline(),
                                               reader.clock());
    EXPECT_EQ(got, expected) << "seed " << seed << " start " << scene.id(start);
    nonempty += !expected.empty();
  }
  EXPECT_GT(nonempty, 50);  // the scenes do find text
}

}  // namespace
}  // namespace frontmost::platform::screen
