#include "macos/focus.h"

#include <algorithm>
#include <utility>

#include "unicode/utf8.h"

namespace frontmost::platform {

namespace {
constexpr std::string_view kSecureRole = "AXSecureTextField";
}  // namespace

std::string text_of(cf::TypeRef string) {
  return unicode::utf16_to_utf8(cf::string_units(string));
}

cf::Ref system_focus() {
  cf::Ref system_wide = ax::create_system_wide();
  // Unbounded, a hung application would hold every read for seconds.
  if (ax::set_messaging_timeout(system_wide.get(), kMessagingTimeout) != ax::kSuccess) return {};
  cf::Ref value;
  if (ax::copy_attribute_value(system_wide.get(), "AXFocusedUIElement",
                               &value) != ax::kSuccess) {
    return {};
  }
  return element_of(std::move(value));
}

AttrOutcome string_attr(cf::TypeRef element, std::string_view name) {
  cf::Ref value;
  ax::Error error = ax::copy_attribute_value(element, name, &value);
  if (error == ax::kNoValue || error == ax::kAttributeUnsupported) {
    return AttrOutcome::missing();
  }
  if (error != ax::kSuccess) return AttrOutcome::failed(error);
  if (!value) return AttrOutcome::missing();
  return string_of(value.get());
}

AttrOutcome string_of(cf::TypeRef value) {
  if (!value || cf::get_type_id(value) != cf::TypeId::String) {
    return AttrOutcome::failed(ax::kFailure);
  }
  return AttrOutcome::present(text_of(value));
}

std::optional<ax::Range> selected_range(cf::TypeRef element) {
  cf::Ref value;
  if (ax::copy_attribute_value(element, "AXSelectedTextRange", &value) !=
          ax::kSuccess ||
      !value || cf::get_type_id(value.get()) != cf::TypeId::AXValue) {
    return std::nullopt;
  }
  ax::Range range;
  if (!ax::value_get_range(value.get(), &range)) return std::nullopt;
  return range;
}

std::optional<std::string> string_for_range(cf::TypeRef element,
                                            int64_t location, int64_t length) {
  cf::Ref range = ax::value_create_range({location, length});
  if (!range) return std::nullopt;
  cf::Ref value;
  if (ax::copy_parameterized_attribute_value(element, "AXStringForRange",
                                             range.get(), &value) !=
          ax::kSuccess ||
      !value || cf::get_type_id(value.get()) != cf::TypeId::String) {
    return std::nullopt;
  }
  // An application may answer with more than was asked (its whole document,
  // whatever the range): only the first `length` units are ever read.
  return unicode::utf16_to_utf8(cf::string_units(value.get(), 0, std::max<int64_t>(length, 0)));
}

bool operator==(const TextState& a, const TextState& b) {
  if (a.count != b.count) return false;
  if (a.selection.has_value() != b.selection.has_value()) return false;
  return !a.selection || (a.selection->location == b.selection->location &&
                          a.selection->length == b.selection->length);
}

std::optional<TextState> text_state(cf::TypeRef element) {
  cf::Ref value;
  if (ax::copy_attribute_value(element, "AXNumberOfCharacters", &value) !=
          ax::kSuccess ||
      !value || cf::get_type_id(value.get()) != cf::TypeId::Number) {
    return std::nullopt;
  }
  TextState state;
  if (!cf::number_get_i64(value.get(), &state.count)) return std::nullopt;
  state.selection = selected_range(element);
  return state;
}

FieldKind FieldKind::from(const AttrOutcome& role, const AttrOutcome& subrole) {
  FieldKind kind;
  kind.role = role.value();
  kind.subrole = subrole.value();
  kind.secure = kind.role == kSecureRole || kind.subrole == kSecureRole;
  kind.maybe_secure = kind.secure || role.is_failed() || subrole.is_failed();
  return kind;
}

cf::Ref element_of(cf::Ref value) {
  if (value && cf::get_type_id(value.get()) == cf::TypeId::AXUIElement) {
    return value;
  }
  return {};
}

cf::Ref retained_at(cf::TypeRef array, int64_t index) {
  if (index < 0 || index >= cf::array_count(array)) return {};
  return cf::Ref::retained(cf::array_get(array, index));
}

}  // namespace frontmost::platform
