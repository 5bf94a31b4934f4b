// The focused element and its text attributes.
//
// Every operation is a synchronous chain of accessibility requests on the
// command thread; none keeps state between calls. Elements passed in are
// borrowed; elements and values handed back are owned by the caller.
// Platform text always reaches the rest of the system as UTF-8, with U+FFFD in
// place of an unpaired surrogate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ax.h"
#include "platform/cf.h"

namespace frontmost::platform {

// The messaging timeout set on every system_focus call: each later request
// of the process gives up after this long.
inline constexpr float kMessagingTimeout = 0.25f;

// Result of reading one attribute.
struct AttrOutcome {
  enum class Kind { Present, Missing, Failed };
  Kind kind = Kind::Missing;
  std::string text;        // Present
  ax::Error code = 0;      // Failed

  static AttrOutcome present(std::string text) {
    return {Kind::Present, std::move(text), 0};
  }
  static AttrOutcome missing() { return {Kind::Missing, {}, 0}; }
  static AttrOutcome failed(ax::Error code) { return {Kind::Failed, {}, code}; }

  bool is_present() const { return kind == Kind::Present; }
  bool is_failed() const { return kind == Kind::Failed; }
  // The text of a present outcome; nothing otherwise.
  std::optional<std::string> value() const {
    if (kind == Kind::Present) return text;
    return std::nullopt;
  }
};

// Text of a platform string (borrowed).
std::string text_of(cf::TypeRef string);

// The element with keyboard focus, or nothing. Sets the process-wide
// messaging timeout to kMessagingTimeout first (nothing when it cannot).
cf::Ref system_focus();

// Reads `name` of `element` as text. No value, kAXErrorNoValue and
// kAXErrorAttributeUnsupported are missing; a value of another type is
// failed with kAXErrorFailure.
AttrOutcome string_attr(cf::TypeRef element, std::string_view name);

// Text of a string value, or failed with kAXErrorFailure. Borrows `value`.
AttrOutcome string_of(cf::TypeRef value);

// "AXSelectedTextRange" as a range; nothing when it cannot be read as one.
std::optional<ax::Range> selected_range(cf::TypeRef element);

// "AXStringForRange" of that range, or nothing. Never more than `length`
// units: a longer answer is cut to its first `length` units (which may leave
// half a surrogate pair, read as U+FFFD).
std::optional<std::string> string_for_range(cf::TypeRef element,
                                            int64_t location, int64_t length);

// What a paste can be seen to change in a field.
struct TextState {
  int64_t count = 0;                     // "AXNumberOfCharacters"
  std::optional<ax::Range> selection;    // "AXSelectedTextRange"
};
bool operator==(const TextState& a, const TextState& b);

// Nothing when the character count is unreadable or not an exact integer.
std::optional<TextState> text_state(cf::TypeRef element);

// What kind of field an element is, from its role and subrole.
struct FieldKind {
  std::optional<std::string> role;
  std::optional<std::string> subrole;
  bool secure = false;        // role or subrole is "AXSecureTextField"
  bool maybe_secure = false;  // secure, or either read failed

  static FieldKind from(const AttrOutcome& role, const AttrOutcome& subrole);
};

// Takes `value` as an element if it is one; otherwise releases it and gives
// nothing.
cf::Ref element_of(cf::Ref value);

// The entry at `index` of a platform array, retained; nothing when the index
// is outside the array.
cf::Ref retained_at(cf::TypeRef array, int64_t index);

}  // namespace frontmost::platform
