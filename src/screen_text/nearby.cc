// Ownership: the walk owns every element it obtains. Children are destroyed
// as soon as they have been read (their subtrees before them); the path from
// the start element to the window lives until the walk returns.
#include "screen_text/nearby.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "screen_text/clip.h"
#include "screen_text/words.h"

namespace screen_text {

namespace {

constexpr std::array<std::string_view, 5> kTypedText = {
    "AXTextArea", "AXComboBox", "AXTextField", "AXSearchField", "AXSecureTextField"};

// Controls and decoration: neither read nor descended into.
constexpr std::array<std::string_view, 16> kControls = {
    "AXMenu",         "AXImage",         "AXButton",        "AXSlider",
    "AXToolbar",      "AXMenuBar",       "AXCheckBox",      "AXMenuItem",
    "AXScrollBar",    "AXMenuButton",    "AXPopUpButton",   "AXRadioButton",
    "AXIncrementor",  "AXMenuBarItem",   "AXBusyIndicator", "AXProgressIndicator"};

bool is_control(std::string_view role) {
  return std::find(kControls.begin(), kControls.end(), role) != kControls.end();
}

// Closed intervals on both axes: touching edges meet; NaN never does.
bool meets(const Rect& frame, const Rect& area) {
  return frame.x <= area.x + area.width && area.x <= frame.x + frame.width &&
         frame.y <= area.y + area.height && area.y <= frame.y + frame.height;
}

bool has_two_letters(std::string_view text) {
  int letters = 0;
  bool valid = true;
  for (size_t i = 0; i < text.size() && letters < 2;)
    letters += is_alphabetic(decode(text, i, valid));
  return letters >= 2;
}

// One entry of the path from the start element up to its window: `typed`
// when the element lies in an editable area or holds typed text itself.
struct Step {
  std::unique_ptr<Element> element;
  bool typed = false;
};

bool late(const Gathered& g) { return !g.now || g.now() >= g.deadline; }

bool full(const Gathered& g) {
  return g.total >= g.limits.total_chars || g.nodes >= g.limits.nodes || late(g);
}

// Climbs from the start element to the nearest window or sheet (kept as the
// top of the path) or to the application (not kept). False when neither is
// found within the element limit or before the deadline.
bool climb(Gathered& g, std::vector<Step>& path) {
  for (uint64_t step = 1; step <= g.limits.nodes; ++step) {
    if (late(g)) return false;
    g.nodes = step;
    std::unique_ptr<Element> parent = path.back().element->parent();
    if (!parent) return false;
    std::optional<Shown> shown = parent->shown();
    if (!shown) return false;
    if (shown->role == "AXApplication") return true;
    bool typed = shown->editable || holds_typed_text(shown->role);
    path.push_back({std::move(parent), typed});
    if (shown->role == "AXWindow" || shown->role == "AXSheet") return true;
  }
  return false;
}

void read_and_drop(Gathered& g, std::unique_ptr<Element>& child, uint64_t depth) {
  if (child) g.read(*child, depth);
  child.reset();
}

}  // namespace

bool holds_typed_text(std::string_view role) {
  return std::find(kTypedText.begin(), kTypedText.end(), role) != kTypedText.end();
}

std::vector<uint64_t> nearest_first(uint64_t i, uint64_t n) {
  std::vector<uint64_t> order;
  if (n > 0) order.reserve(n - 1);
  for (uint64_t d = 1; d < n; ++d) {
    if (d <= i && i - d < n) order.push_back(i - d);
    if (i < n && d < n - i) order.push_back(i + d);
  }
  return order;
}

Gathered::Gathered(Instant deadline, const Limits& limits, const Rect& area, Now now)
    : deadline(deadline), limits(limits), area(area), now(std::move(now)) {}

void Gathered::read(Element& node, uint64_t depth) {
  if (full(*this)) return;
  ++nodes;
  std::optional<Shown> shown = node.shown();
  if (!shown || !shown->frame || shown->editable || !meets(*shown->frame, area)) return;
  if (shown->role == "AXStaticText") {
    if (std::optional<std::string> value = node.value()) add(*value);
    return;
  }
  if (holds_typed_text(shown->role) || is_control(shown->role)) return;
  if (depth >= limits.depth) return;
  std::vector<std::unique_ptr<Element>> children = node.children(nullptr);
  for (auto& child : children) read_and_drop(*this, child, depth + 1);
}

void Gathered::add(std::string_view text) {
  uint64_t left = total < limits.total_chars ? limits.total_chars - total : 0;
  std::optional<std::string> kept = clip(text, std::min(left, limits.item_chars));
  if (!kept || !has_two_letters(*kept)) return;
  if (!seen.insert(*kept).second) return;
  total += count_chars(*kept) + 1;
  texts.push_back(std::move(*kept));
}

std::string nearby_text(std::unique_ptr<Element> start, const Rect& area,
                        const Limits& limits, Instant deadline, Now now) {
  Gathered g(deadline, limits, area, std::move(now));
  if (!start || limits.total_chars == 0 || limits.nodes == 0) return {};
  std::vector<Step> path;
  path.push_back({std::move(start), false});
  if (!climb(g, path)) return {};

  // Start beside the outermost editable or typed-text ancestor, so that
  // nothing inside the field the user types into is read.
  size_t base = 0;
  for (size_t k = path.size(); k-- > 0;) {
    if (path[k].typed) {
      base = k;
      break;
    }
  }
  for (; base + 1 < path.size() && !full(g); ++base) {
    const Element& here = *path[base].element;
    std::vector<std::unique_ptr<Element>> kids = path[base + 1].element->children(&here);
    std::optional<uint64_t> at;
    for (size_t k = 0; k < kids.size() && !at; ++k)
      if (kids[k] && kids[k]->same_as(here)) at = k;
    if (at) {
      for (uint64_t k : nearest_first(*at, kids.size())) read_and_drop(g, kids[k], 0);
    } else {
      for (auto& kid : kids) read_and_drop(g, kid, 0);
    }
  }

  std::string joined;
  for (const std::string& text : g.texts) {
    if (!joined.empty()) joined += '\n';
    joined += text;
  }
  return joined;
}

}  // namespace screen_text
