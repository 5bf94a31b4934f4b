#include "macos_screen/node.h"

#include <array>
#include <string_view>

#include "screen_text/child_window.h"

namespace frontmost::platform::screen {

namespace {

constexpr std::array<std::string_view, 3> kShownNames = {
    "AXRole", "AXFrame", "AXEditableAncestor"};

// The first entry of `list` equal to `element`.
std::optional<uint64_t> index_of(cf::TypeRef list, cf::TypeRef element) {
  int64_t n = cf::array_count(list);
  for (int64_t i = 0; i < n; ++i) {
    if (cf::equal(cf::array_get(list, i), element)) return static_cast<uint64_t>(i);
  }
  return std::nullopt;
}

}  // namespace

std::optional<screen_text::Shown> Node::shown() {
  std::array<Outcome, 3> read = many(reader_, element_.get(), kShownNames);
  std::optional<std::string> role = read[0].text().value();
  if (!role) return std::nullopt;
  screen_text::Shown shown;
  shown.role = std::move(*role);
  ax::Rect rect;
  if (read[1].is_present() &&
      cf::get_type_id(read[1].value.get()) == cf::TypeId::AXValue &&
      ax::value_get_rect(read[1].value.get(), &rect)) {
    shown.frame = screen_text::Rect{rect.x, rect.y, rect.width, rect.height};
  }
  shown.editable = !read[2].is_missing();
  return shown;
}

std::optional<std::string> Node::value() {
  if (!reader_.gate()) {
    reader_.incomplete();
    return std::nullopt;
  }
  AttrOutcome value = string_attr(element_.get(), "AXValue");
  if (value.is_failed()) reader_.incomplete();
  return value.value();
}

std::vector<std::unique_ptr<screen_text::Element>> Node::children(
    const screen_text::Element* near) {
  const auto* near_node = dynamic_cast<const Node*>(near);
  cf::Ref list = array(reader_, element_.get(), "AXVisibleChildren");
  if (!list && near) list = array(reader_, element_.get(), "AXChildren");
  if (!list && !near) {
    if (!reader_.gate()) return {};
    if (ax::copy_attribute_values(element_.get(), "AXChildren", 0,
                                  screen_text::kChildWindow, &list) != ax::kSuccess ||
        !list || cf::get_type_id(list.get()) != cf::TypeId::Array) {
      return {};
    }
  }
  if (!list) return {};

  auto n = static_cast<uint64_t>(cf::array_count(list.get()));
  std::optional<uint64_t> at;
  if (near_node) at = index_of(list.get(), near_node->get());
  screen_text::Window window = screen_text::child_window(at, n);
  std::vector<std::unique_ptr<screen_text::Element>> kids;
  kids.reserve(window.end - window.start);
  for (uint64_t i = window.start; i < window.end; ++i) {
    cf::Ref entry = retained_at(list.get(), static_cast<int64_t>(i));
    if (cf::Ref child = element_of(std::move(entry))) {
      kids.push_back(std::make_unique<Node>(std::move(child), reader_));
    }
  }
  return kids;
}

std::unique_ptr<screen_text::Element> Node::parent() {
  cf::Ref up = element(reader_, element_.get(), "AXParent");
  if (!up) return nullptr;
  return std::make_unique<Node>(std::move(up), reader_);
}

bool Node::same_as(const screen_text::Element& other) const {
  const auto* node = dynamic_cast<const Node*>(&other);
  return node && cf::equal(element_.get(), node->element_.get());
}

}  // namespace frontmost::platform::screen
