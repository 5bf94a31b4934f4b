#include "screen_text/nearby.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "screen_text/child_window.h"
#include "screen_text/tree_testing.h"

namespace screen_text {
namespace {

using namespace std::chrono_literals;
using testing::Tree;

constexpr Rect kArea{0, 0, 1000, 800};
constexpr Instant kNever = Instant::max();

// A window of an application, ready for content.
struct Scene {
  Tree tree;
  int app = tree.add(-1, "AXApplication");
  int window = tree.add(app, "AXWindow");

  std::string walk(int start, const Limits& limits = kLimits, Instant deadline = kNever) {
    std::string text = nearby_text(tree.element(start), kArea, limits, deadline, tree.now());
    EXPECT_GT(tree.made, 0);
    EXPECT_EQ(tree.alive, 0) << "elements left alive after the walk";
    return text;
  }
};

std::string lines(const std::vector<std::string>& texts) {
  std::string out;
  for (const auto& t : texts) out += (out.empty() ? "" : "\n") + t;
  return out;
}

TEST(Nearby, OrderAndWindowHelpers) {
  EXPECT_EQ(nearest_first(2, 5), (std::vector<uint64_t>{1, 3, 0, 4}));
  EXPECT_EQ(nearest_first(0, 3), (std::vector<uint64_t>{1, 2}));
  EXPECT_EQ(nearest_first(4, 5), (std::vector<uint64_t>{3, 2, 1, 0}));
  EXPECT_EQ(nearest_first(0, 1), (std::vector<uint64_t>{}));
  EXPECT_EQ(nearest_first(0, 0), (std::vector<uint64_t>{}));
  for (uint64_t k : nearest_first(5, 3)) EXPECT_LT(k, 3u);  // never out of range

  auto window = [](std::optional<uint64_t> near, uint64_t n) {
    Window w = child_window(near, n);
    return std::vector<uint64_t>{w.start, w.end};
  };
  EXPECT_EQ(window(150, 200), (std::vector<uint64_t>{118, 182}));
  EXPECT_EQ(window(std::nullopt, 200), (std::vector<uint64_t>{0, 64}));
  EXPECT_EQ(window(10, 200), (std::vector<uint64_t>{0, 64}));
  EXPECT_EQ(window(32, 200), (std::vector<uint64_t>{0, 64}));
  EXPECT_EQ(window(33, 200), (std::vector<uint64_t>{1, 65}));
  EXPECT_EQ(window(190, 200), (std::vector<uint64_t>{136, 200}));
  EXPECT_EQ(window(5, 30), (std::vector<uint64_t>{0, 30}));
  EXPECT_EQ(window(std::nullopt, 0), (std::vector<uint64_t>{0, 0}));

  for (const char* role :
       {"AXTextArea", "AXComboBox", "AXTextField", "AXSearchField", "AXSecureTextField"})
    EXPECT_TRUE(holds_typed_text(role)) << role;
  for (const char* role : {"AXStaticText", "AXTextfield", "AXGroup", "", "AXTextArea "})
    EXPECT_FALSE(holds_typed_text(role)) << role;
}

TEST(Nearby, SiblingsAreReadNearestFirstWithinTheWindowAroundTheField) {
  Scene s;
  int group = s.tree.add(s.window, "AXGroup");
  int field = -1;
  for (int k = 0; k < 200; ++k) {
    if (k == 150)
      field = s.tree.add(group, "AXTextField", "typed");
    else
      s.tree.add(group, "AXStaticText", "item " + std::to_string(k));
  }
  s.tree.add(s.window, "AXStaticText", "window caption");

  std::vector<std::string> expected;
  for (int d = 1; d <= 32; ++d) {
    expected.push_back("item " + std::to_string(150 - d));
    if (150 + d <= 181) expected.push_back("item " + std::to_string(150 + d));
  }
  expected.push_back("window caption");
  EXPECT_EQ(expected[0], "item 149");
  EXPECT_EQ(expected[61], "item 181");
  EXPECT_EQ(expected[62], "item 118");
  EXPECT_EQ(s.walk(field), lines(expected));
  EXPECT_EQ(s.tree.shown.size(), 2u + 63 + 1);  // climb, the 63 siblings, the caption
}

TEST(Nearby, LevelsGoOutwardAndSiblingsDepthFirst) {
  Scene s;
  s.tree.add(s.window, "AXStaticText", "Heading of the page");
  int panel = s.tree.add(s.window, "AXGroup");
  int first = s.tree.add(panel, "AXGroup");
  s.tree.add(first, "AXStaticText", "first paragraph");
  int nested = s.tree.add(first, "AXList");
  s.tree.add(nested, "AXStaticText", "nested one");
  s.tree.add(first, "AXStaticText", "after nested");
  int form = s.tree.add(panel, "AXGroup");
  s.tree.add(form, "AXStaticText", "Name label");
  int field = s.tree.add(form, "AXTextField");
  s.tree.add(form, "AXStaticText", "Help text here");
  s.tree.add(panel, "AXStaticText", "Footer note");

  EXPECT_EQ(s.walk(field),
            "Name label\nHelp text here\nfirst paragraph\nnested one\nafter nested\n"
            "Footer note\nHeading of the page");

  // Directly inside the window: its siblings, and the window is the top.
  Scene top;
  top.tree.add(top.window, "AXStaticText", "left of it");
  int box = top.tree.add(top.window, "AXSearchField");
  top.tree.add(top.window, "AXStaticText", "right of it");
  top.tree.add(top.app, "AXStaticText", "beside the window");
  EXPECT_EQ(top.walk(box), "left of it\nright of it");
}

TEST(Nearby, StartsBesideTheOutermostEditableOrTypedTextAncestor) {
  Scene s;
  int form = s.tree.add(s.window, "AXGroup");
  s.tree.add(form, "AXStaticText", "Before the box");
  int combo = s.tree.add(form, "AXComboBox");
  int inside = s.tree.add(combo, "AXStaticText", "inside the box");
  int field = s.tree.add(combo, "AXTextField");
  s.tree.add(form, "AXStaticText", "After the box");
  EXPECT_EQ(s.walk(field), "Before the box\nAfter the box");
  for (int id : s.tree.shown) EXPECT_NE(id, inside);

  Scene web;
  int page = web.tree.add(web.window, "AXWebArea");
  web.tree.add(page, "AXStaticText", "Page title text");
  int editor = web.tree.add(page, "AXGroup");
  web.tree.node(editor).editable = true;
  web.tree.add(editor, "AXStaticText", "draft words");
  int paragraph = web.tree.add(editor, "AXGroup");
  web.tree.node(paragraph).editable = true;
  int caret = web.tree.add(paragraph, "AXStaticText", "the line typed");
  EXPECT_EQ(web.walk(caret), "Page title text");
}

TEST(Nearby, KeepsOnlyVisibleStaticTextWithLetters) {
  Scene s;
  int field = s.tree.add(s.window, "AXTextField", "typed words");
  auto text = [&](const std::string& value) { return s.tree.add(s.window, "AXStaticText", value); };
  const double nan = std::numeric_limits<double>::quiet_NaN();

  text("kept plain text");
  text("kept plain text");  // the same label twice
  text("x");
  text("12 34, 56!");
  text("ab");
  std::string paragraph;
  while (paragraph.size() < 300) paragraph += "lorem ipsum dolor sit amet ";
  text(paragraph);
  s.tree.node(text("no frame")).frame.reset();
  s.tree.node(text("inside an editor")).editable = true;
  s.tree.node(text("outside the window")).frame = Rect{1001, 10, 50, 20};
  s.tree.node(text("touching the edge")).frame = Rect{1000, 800, 50, 20};
  s.tree.node(text("touching the start")).frame = Rect{-50, -20, 50, 20};
  s.tree.node(text("nan position")).frame = Rect{nan, 10, 50, 20};
  s.tree.node(text("nan width")).frame = Rect{10, 10, nan, 20};
  s.tree.node(text("unreadable role")).role_readable = false;
  int label = text("static label");
  s.tree.add(label, "AXStaticText", "under a static text");
  s.tree.add(s.window, "AXTextArea", "typed elsewhere");
  int hidden = s.tree.add(s.window, "AXGroup");
  s.tree.node(hidden).frame.reset();
  s.tree.add(hidden, "AXStaticText", "in a group without frame");
  for (const char* control :
       {"AXMenu", "AXImage", "AXButton", "AXSlider", "AXToolbar", "AXMenuBar", "AXCheckBox",
        "AXMenuItem", "AXScrollBar", "AXMenuButton", "AXPopUpButton", "AXRadioButton",
        "AXIncrementor", "AXMenuBarItem", "AXBusyIndicator", "AXProgressIndicator"}) {
    int c = s.tree.add(s.window, control, std::string("value of ") + control);
    s.tree.add(c, "AXStaticText", std::string("inside ") + control);
  }
  int cell = s.tree.add(s.window, "AXCell");
  s.tree.add(cell, "AXStaticText", "in a cell");

  std::string out = s.walk(field);
  std::vector<std::string> got;
  for (size_t start = 0; start <= out.size();) {
    size_t end = std::min(out.find('\n', start), out.size());
    got.push_back(out.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_EQ(got.size(), 7u) << out;
  EXPECT_EQ(got[0], "kept plain text");
  EXPECT_EQ(got[1], "ab");
  EXPECT_LE(got[2].size(), 160u);
  EXPECT_GT(got[2].size(), 150u);
  EXPECT_EQ(paragraph.compare(0, got[2].size() + 1, got[2] + " "), 0);
  EXPECT_EQ(got[3], "touching the edge");
  EXPECT_EQ(got[4], "touching the start");
  EXPECT_EQ(got[5], "static label");
  EXPECT_EQ(got[6], "in a cell");
}

TEST(Nearby, AddKeepsWithinTheBudgets) {
  Limits limits{30, 12, 400, 8};
  Gathered g(kNever, limits, kArea, [] { return Instant{0}; });
  g.add("alpha beta gamma delta");    // 12 characters at most of one text
  g.add("alpha beta");                // the same text again
  g.add("  alpha\u00A0beta ");        // and again, once normalised
  g.add("\u00E9t\u00E9 h\u00F4tel");  // 9 characters
  g.add("zetazetazeta");              // 9 left: no whole word fits
  g.add("mu");
  g.add("x");
  g.add("12 34");
  g.add("nu xi omicron");  // 6 left
  EXPECT_EQ(g.texts, (std::vector<std::string>{"alpha beta", "\u00E9t\u00E9 h\u00F4tel",
                                               "mu", "nu xi"}));
  EXPECT_EQ(g.total, 30u);
  g.add("pi");  // nothing left
  EXPECT_EQ(g.texts.size(), 4u);
}

TEST(Nearby, DepthEightIsReadButNotListed) {
  Scene s;
  int field = s.tree.add(s.window, "AXTextField");
  int group = s.tree.add(s.window, "AXGroup");  // depth 0
  int deepest = -1;
  for (int depth = 1; depth <= 9; ++depth) {
    s.tree.add(group, "AXStaticText", "text at depth " + std::to_string(depth));
    group = s.tree.add(group, "AXGroup");
    if (depth == 8) deepest = group;
  }
  std::string expected;
  for (int depth = 1; depth <= 8; ++depth)
    expected += (depth > 1 ? "\n" : "") + std::string("text at depth ") + std::to_string(depth);
  EXPECT_EQ(s.walk(field), expected);
  EXPECT_EQ(s.tree.shown.back(), deepest);  // read at depth 8, nothing below it
}

TEST(Nearby, StopsAtTheCharacterAndElementLimits) {
  Scene s;
  int field = s.tree.add(s.window, "AXTextField");
  for (int k = 0; k < 30; ++k) {
    std::string letters = {static_cast<char>('a' + k % 26), static_cast<char>('a' + k / 26)};
    s.tree.add(s.window, "AXStaticText", letters + std::string(42, 'x') + " item");  // 49 chars
  }
  std::string out = s.walk(field);
  EXPECT_EQ(out.size(), 20u * 50 - 1);  // 20 texts of 49, each counted with its separator
  EXPECT_EQ(s.tree.shown.size(), 1u + 20);  // once the total reached 1000, nothing more

  Scene wide;
  int box = wide.tree.add(wide.window, "AXTextField");
  for (int k = 0; k < 70; ++k) {
    int group = wide.tree.add(wide.window, "AXGroup");
    for (int j = 0; j < 10; ++j) wide.tree.add(group, "AXStaticText", "1");
  }
  EXPECT_EQ(wide.walk(box), "");
  EXPECT_EQ(wide.tree.shown.size(), 400u);  // the climb counts as well

  Scene none;
  EXPECT_EQ(none.walk(none.tree.add(none.window, "AXTextField"), Limits{0, 160, 400, 8}), "");
  EXPECT_EQ(none.walk(none.tree.add(none.window, "AXTextField"), Limits{1000, 160, 0, 8}), "");
  EXPECT_TRUE(none.tree.shown.empty());
}

TEST(Nearby, NoWindowAboveGivesNothing) {
  Tree chain;
  int top = chain.add(-1, "AXGroup");
  chain.add(top, "AXStaticText", "visible words");
  int bottom = top;
  for (int k = 0; k < 450; ++k) bottom = chain.add(bottom, "AXGroup");
  EXPECT_EQ(nearby_text(chain.element(bottom), kArea, kLimits, kNever, chain.now()), "");
  EXPECT_EQ(chain.shown.size(), 400u);
  EXPECT_EQ(chain.alive, 0);

  // The top reached without a window, or a parent whose role cannot be read.
  Tree orphan;
  int root = orphan.add(-1, "AXGroup");
  orphan.add(root, "AXStaticText", "visible words");
  int start = orphan.add(root, "AXTextField");
  EXPECT_EQ(nearby_text(orphan.element(start), kArea, kLimits, kNever, orphan.now()), "");
  Scene unreadable;
  int group = unreadable.tree.add(unreadable.window, "AXGroup");
  unreadable.tree.add(unreadable.window, "AXStaticText", "visible words");
  unreadable.tree.node(group).role_readable = false;
  EXPECT_EQ(unreadable.walk(unreadable.tree.add(group, "AXTextField")), "");
  EXPECT_EQ(orphan.alive, 0);

  // An application without a window ends the climb all the same.
  Scene bare;
  int pane = bare.tree.add(bare.app, "AXGroup");
  bare.tree.add(pane, "AXStaticText", "in the pane");
  int box = bare.tree.add(pane, "AXTextField");
  bare.tree.add(bare.app, "AXStaticText", "beside the pane");
  EXPECT_EQ(bare.walk(box), "in the pane");
}

TEST(Nearby, TheDeadlineEndsTheWalk) {
  Scene s;
  int field = s.tree.add(s.window, "AXTextField");
  for (int k = 0; k < 30; ++k) {
    std::string letters = {static_cast<char>('a' + k % 26), static_cast<char>('a' + k / 26)};
    s.tree.add(s.window, "AXStaticText", "label " + letters);
  }
  s.tree.cost = 1ms;  // every element read takes a millisecond
  std::string out = s.walk(field, kLimits, 10ms);
  EXPECT_EQ(out, "label aa\nlabel ba\nlabel ca\nlabel da\nlabel ea\nlabel fa\nlabel ga\n"
                 "label ha\nlabel ia");
  EXPECT_EQ(s.tree.shown.size(), 10u);  // the window, then nine while time was left

  Scene deep;
  int node = deep.window;
  for (int k = 0; k < 20; ++k) node = deep.tree.add(node, "AXGroup");
  deep.tree.add(node, "AXStaticText", "far down");
  deep.tree.cost = 1ms;
  EXPECT_EQ(deep.walk(deep.tree.add(node, "AXTextField"), kLimits, 5ms), "");  // in the climb
  EXPECT_EQ(deep.tree.shown.size(), 5u);

  Scene late;
  late.tree.add(late.window, "AXStaticText", "never read");
  late.tree.clock = 3ms;
  EXPECT_EQ(late.walk(late.tree.add(late.window, "AXTextField"), kLimits, 3ms), "");
  EXPECT_TRUE(late.tree.shown.empty());
}

}  // namespace
}  // namespace screen_text
