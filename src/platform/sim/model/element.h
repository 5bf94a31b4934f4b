// Accessibility element objects. Each reference made by a read is a new
// object; two compare equal when they stand for the same desktop element.
// A messaging timeout set on an element lives in that object.
#pragma once

#include <atomic>

#include "platform/sim/model/desktop.h"
#include "platform/sim/model/object.h"

namespace sim {

struct Element final : cf::Object {
  explicit Element(NodePtr n)
      : Object(cf::TypeId::AXUIElement, "element"), node(std::move(n)) {}
  bool equals(const cf::Object& other) const override {
    return node == static_cast<const Element&>(other).node;
  }
  const NodePtr node;                      // null: the system-wide element
  mutable std::atomic<float> timeout{0};   // seconds; 0: the process-wide one
};

// A new element object for `node` (null: the system-wide element).
cf::Ref element_ref(const NodePtr& node);

// An element object for `id` (live or removed). An id unknown to the
// desktop gives an element that answers "invalid".
cf::Ref make_element(const Desktop& desktop, const std::string& id);

// The process-wide messaging timeout in seconds (elements without their
// own), the platform's default until set; 0 sets the default again.
float messaging_timeout();
void set_messaging_timeout(float seconds);
// Back to the platform's default (a new desktop).
void reset_messaging_timeout();

}  // namespace sim
