#include "macos/paste.h"

#include <chrono>
#include <optional>
#include <utility>

#include "macos/focus.h"
#include "macos/keyboard_layout.h"
#include "platform/cg_event.h"
#include "platform/clock.h"
#include "platform/run_loop.h"

namespace frontmost::platform {

namespace {

using Clock = clocks::Monotonic;
using std::chrono::milliseconds;

constexpr milliseconds kModifierWait{400};
constexpr milliseconds kModifierInterval{10};
constexpr milliseconds kConfirmWindow{600};
constexpr milliseconds kPollInterval{30};
constexpr int kPolls = 10;
constexpr int kWebSearchDepth = 40;
constexpr cg::Flags kWaitedModifiers =
    cg::kFlagShift | cg::kFlagControl | cg::kFlagAlternate;

PasteResult pasted() { return {PasteResult::Outcome::Pasted, {}}; }
PasteResult failed(const char* reason) {
  return {PasteResult::Outcome::Failed, reason};
}

// A Command+V typed while Shift, Control or Option is still down would reach
// the application as another shortcut. Command itself is part of the chord.
void wait_for_released_modifiers() {
  const auto until = clocks::later(Clock::now(), kModifierWait);
  while (Clock::now() < until) {
    cg::Flags flags =
        cg::event_source_flags_state(cg::SourceState::HIDSystem);
    if ((flags & kWaitedModifiers) == 0) return;
    clocks::sleep_for(kModifierInterval);
  }
}

// Both events are made before either is posted, so a failure can never leave
// the key down in the focused application.
bool send_command_v(cf::TypeRef source, uint16_t code) {
  cf::Ref down = cg::event_create_keyboard_event(source, code, true);
  cf::Ref up = cg::event_create_keyboard_event(source, code, false);
  if (!down || !up) return false;
  cg::event_set_flags(down.get(), cg::kFlagCommand);
  cg::event_set_flags(up.get(), cg::kFlagCommand);
  cg::event_post(cg::TapLocation::HID, down.get());
  cg::event_post(cg::TapLocation::HID, up.get());
  return true;
}

// Web content updates its accessibility tree late (or not at all for a
// paste), so a field inside it cannot be watched. True also when the
// deadline passes during the search.
bool inside_web_content(cf::TypeRef focused, Clock::time_point deadline) {
  cf::Ref owned;  // the ancestor being visited, once past the focused one
  cf::TypeRef current = focused;
  for (int visited = 1;; ++visited) {
    if (Clock::now() >= deadline) return true;
    AttrOutcome role = string_attr(current, "AXRole");
    if (role.is_present() && role.text == "AXWebArea") return true;
    if (visited == kWebSearchDepth) return false;
    cf::Ref parent;
    if (ax::copy_attribute_value(current, "AXParent", &parent) !=
        ax::kSuccess) {
      return false;
    }
    owned = element_of(std::move(parent));
    if (!owned) return false;
    current = owned.get();
  }
}

// Polls the field until it differs from `before` or the polls run out.
PasteResult watch(cf::TypeRef focused, const TextState& before,
                  Clock::time_point deadline) {
  for (int poll = 0; poll < kPolls; ++poll) {
    clocks::sleep_for(kPollInterval);
    if (Clock::now() >= deadline) return pasted();
    std::optional<TextState> now = text_state(focused);
    if (!now || !(*now == before)) return pasted();
  }
  return {PasteResult::Outcome::NotConfirmed, {}};
}

}  // namespace

PasteResult paste() {
  wait_for_released_modifiers();
  const auto deadline = clocks::later(Clock::now(), kConfirmWindow);
  while (cf::run_loop_run_in_mode(0, true) == cf::RunResult::HandledSource) {
  }

  std::optional<uint16_t> code = tis::command_v_key();
  if (!code) return failed("bad_key");

  cf::Ref focused = system_focus();
  std::optional<TextState> before;
  if (focused) before = text_state(focused.get());
  if (!before) focused.reset();

  cf::Ref source = cg::event_source_create(cg::SourceState::Private);
  if (!send_command_v(source.get(), *code)) return failed("action_failed");
  if (!before) return pasted();

  bool settable = false;
  if (ax::is_attribute_settable(focused.get(), "AXSelectedText", &settable) !=
          ax::kSuccess ||
      !settable) {
    return pasted();
  }
  if (inside_web_content(focused.get(), deadline)) return pasted();
  return watch(focused.get(), *before, deadline);
}

}  // namespace frontmost::platform
