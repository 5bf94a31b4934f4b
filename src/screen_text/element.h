// How the screen text walk sees one user-interface element.
//
// The walk knows nothing of the platform: the accessibility side implements
// `Element` over its time-bounded reader, and tests implement it over trees
// in memory. An Element owns whatever platform reference stands behind it
// and releases it when destroyed. All calls happen on the thread of the walk.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace screen_text {

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
};

// What the walk needs to decide about an element.
struct Shown {
  std::optional<Rect> frame;  // position and size on screen
  std::string role;           // the accessibility role
  bool editable = false;      // inside an editable area, or not ruled out
};

class Element {
 public:
  virtual ~Element() = default;

  // None when the role cannot be read.
  virtual std::optional<Shown> shown() = 0;
  // The element's value as text.
  virtual std::optional<std::string> value() = 0;
  // At most 64 children; when `near` is given, the 64 around it.
  virtual std::vector<std::unique_ptr<Element>> children(const Element* near) = 0;
  // The parent when it can be read as an element.
  virtual std::unique_ptr<Element> parent() = 0;
  // Identity: both stand for the same user-interface element.
  virtual bool same_as(const Element& other) const = 0;
};

}  // namespace screen_text
