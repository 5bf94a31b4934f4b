// User-interface trees in memory, for the tests and benchmarks of the walk.
//
// A Tree holds nodes by index; `element` hands out Elements that stand for
// them and that the Tree counts, so a test can see that the walk destroyed
// every element it was given. Child lists follow the platform's: at most
// kChildWindow entries, placed around `near` when it is among them. Every
// `shown` costs `cost` on the tree's clock, which `now` reads.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "screen_text/child_window.h"
#include "screen_text/element.h"
#include "screen_text/nearby.h"

namespace screen_text::testing {

class Tree {
 public:
  struct Node {
    std::string role;
    std::optional<Rect> frame;
    bool editable = false;
    bool role_readable = true;
    std::optional<std::string> value;
    int parent = -1;
    std::vector<int> children;
  };

  // A node inside the default frame, as the last child of `parent` (-1 for
  // none).
  int add(int parent, std::string role, std::optional<std::string> value = std::nullopt) {
    Node node;
    node.role = std::move(role);
    node.frame = Rect{10, 10, 100, 20};
    node.value = std::move(value);
    node.parent = parent;
    nodes_.push_back(std::move(node));
    int id = static_cast<int>(nodes_.size()) - 1;
    if (parent >= 0) nodes_[parent].children.push_back(id);
    return id;
  }
  Node& node(int id) { return nodes_[id]; }

  std::unique_ptr<Element> element(int id);

  Now now() {
    return [this] { return clock; };
  }

  Instant clock{0};
  Instant cost{0};
  int made = 0;            // elements constructed
  int alive = 0;           // elements not yet destroyed
  std::vector<int> shown;  // nodes whose `shown` was called, in order

 private:
  friend class TreeElement;
  std::deque<Node> nodes_;  // references stay valid as nodes are added
};

class TreeElement : public Element {
 public:
  TreeElement(Tree& tree, int id) : tree_(tree), id_(id) {
    ++tree_.made;
    ++tree_.alive;
  }
  ~TreeElement() override { --tree_.alive; }

  std::optional<Shown> shown() override {
    tree_.shown.push_back(id_);
    tree_.clock += tree_.cost;
    const Tree::Node& node = tree_.nodes_[id_];
    if (!node.role_readable) return std::nullopt;
    return Shown{node.frame, node.role, node.editable};
  }
  std::optional<std::string> value() override { return tree_.nodes_[id_].value; }

  std::vector<std::unique_ptr<Element>> children(const Element* near) override {
    const std::vector<int>& list = tree_.nodes_[id_].children;
    std::optional<uint64_t> at;
    if (auto* other = dynamic_cast<const TreeElement*>(near)) {
      for (size_t k = 0; k < list.size() && !at; ++k)
        if (list[k] == other->id_) at = k;
    }
    Window window = child_window(at, list.size());
    std::vector<std::unique_ptr<Element>> out;
    for (uint64_t k = window.start; k < window.end; ++k)
      out.push_back(std::make_unique<TreeElement>(tree_, list[k]));
    return out;
  }
  std::unique_ptr<Element> parent() override {
    int parent = tree_.nodes_[id_].parent;
    if (parent < 0) return nullptr;
    return std::make_unique<TreeElement>(tree_, parent);
  }
  bool same_as(const Element& other) const override {
    auto* tree_element = dynamic_cast<const TreeElement*>(&other);
    return tree_element && tree_element->id_ == id_;
  }

 private:
  Tree& tree_;
  int id_;
};

inline std::unique_ptr<Element> Tree::element(int id) {
  return std::make_unique<TreeElement>(*this, id);
}

}  // namespace screen_text::testing
