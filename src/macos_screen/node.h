// One accessibility element as the screen text walk sees it.
//
// A Node owns its element and reads it only through the report's Reader, so
// every node of a walk shares the report's deadline. Nodes live on the
// command thread and never outlive the Reader they were made with.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macos_screen/reader.h"
#include "platform/cf.h"
#include "screen_text/element.h"

namespace frontmost::platform::screen {

class Node final : public screen_text::Element {
 public:
  Node(cf::Ref element, Reader& reader)
      : element_(std::move(element)), reader_(reader) {}

  // "AXRole", "AXFrame" and "AXEditableAncestor" in one read. None when the
  // role is not a readable text; editable unless the ancestor is missing.
  std::optional<screen_text::Shown> shown() override;
  // "AXValue" as text; a skipped or failed read clears `complete`.
  std::optional<std::string> value() override;
  // "AXVisibleChildren", else "AXChildren" (the first 64 when `near` is not
  // given); of those, the 64 around `near` when it is among them.
  std::vector<std::unique_ptr<screen_text::Element>> children(
      const screen_text::Element* near) override;
  // "AXParent" when it is an element.
  std::unique_ptr<screen_text::Element> parent() override;
  // CFEqual of the two elements.
  bool same_as(const screen_text::Element& other) const override;

  cf::TypeRef get() const { return element_.get(); }

 private:
  cf::Ref element_;
  Reader& reader_;
};

}  // namespace frontmost::platform::screen
