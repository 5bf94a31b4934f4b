#include "macos/caret.h"

#include <array>
#include <optional>
#include <string>

#include "macos/focus.h"

namespace frontmost::platform {

namespace {

// Roles that take typed text. A secure text field is left out on purpose:
// without a selection there is no caret to report.
constexpr std::array<std::string_view, 4> kTextRoles = {
    "AXTextField", "AXTextArea", "AXComboBox", "AXSearchField"};

bool is_text_role(const std::string& role) {
  for (std::string_view text_role : kTextRoles) {
    if (role == text_role) return true;
  }
  return false;
}

// An element without a role still takes text when its value is a string that
// can be set.
bool has_settable_string_value(cf::TypeRef element) {
  cf::Ref value;
  if (ax::copy_attribute_value(element, "AXValue", &value) != ax::kSuccess ||
      !value || cf::get_type_id(value.get()) != cf::TypeId::String) {
    return false;
  }
  bool settable = false;
  return ax::is_attribute_settable(element, "AXValue", &settable) ==
             ax::kSuccess &&
         settable;
}

}  // namespace

json::Value caret_context() {
  cf::Ref element = system_focus();
  if (!element) return json::Value{{"focused", false}};

  AttrOutcome role = string_attr(element.get(), "AXRole");
  AttrOutcome subrole = string_attr(element.get(), "AXSubrole");
  FieldKind kind = FieldKind::from(role, subrole);
  std::optional<ax::Range> selection = selected_range(element.get());

  bool text_field = false;
  json::Value before = nullptr;
  if (selection) {
    text_field = true;
    // A field that may be secure (its role or subrole could not be read)
    // is treated as one: nothing of its text is read.
    if (!kind.maybe_secure && selection->location >= 1) {
      if (auto unit = string_for_range(element.get(), selection->location - 1, 1)) {
        before = *unit;
      }
    }
  } else if (!kind.role) {
    text_field = has_settable_string_value(element.get());
  } else {
    text_field = is_text_role(*kind.role);
  }

  return json::Value{{"focused", true},
                     {"text_field", text_field},
                     {"secure", kind.secure},
                     {"before", std::move(before)}};
}

}  // namespace frontmost::platform
