#include "dictation/hotkey.h"

#include <array>
#include <utility>

#include "platform/cg_event.h"

namespace dictation {
namespace {

// Key codes the classifier looks at; event types and flag bits are cg's.
constexpr int64_t kSpace = 49;
constexpr int64_t kEscape = 53;
constexpr int64_t kRightCommand = 54;
constexpr int64_t kOption = 58;
constexpr int64_t kControl = 59;
constexpr int64_t kRightOption = 61;
constexpr int64_t kRightControl = 62;
constexpr int64_t kFn = 63;

KeyAction press(Hotkey h) { return {KeyAction::Kind::Press, h}; }
KeyAction just(KeyAction::Kind kind) { return {kind, Hotkey::Fn}; }

bool control_and_option(uint64_t flags) {
  return (flags & cg::kFlagControl) && (flags & cg::kFlagAlternate);
}

std::optional<KeyAction> press_rule(Hotkey hotkey, int64_t keycode,
                                    uint64_t flags) {
  if (keycode == kFn) {
    if ((hotkey == Hotkey::FnOrControlOption || hotkey == Hotkey::Fn) &&
        (flags & cg::kFlagSecondaryFn))
      return press(Hotkey::Fn);
    return std::nullopt;
  }
  switch (hotkey) {
    case Hotkey::FnOrControlOption:
      if ((keycode == kOption || keycode == kControl ||
           keycode == kRightOption || keycode == kRightControl) &&
          control_and_option(flags))
        return press(Hotkey::ControlOption);
      return std::nullopt;
    case Hotkey::RightOption:
      if (keycode == kRightOption && (flags & cg::kFlagDeviceRightAlternate))
        return press(Hotkey::RightOption);
      return std::nullopt;
    case Hotkey::RightCommand:
      if (keycode == kRightCommand && (flags & cg::kFlagDeviceRightCommand))
        return press(Hotkey::RightCommand);
      return std::nullopt;
    case Hotkey::RightControl:
      if (keycode == kRightControl && (flags & cg::kFlagDeviceRightControl))
        return press(Hotkey::RightControl);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<Hotkey> hotkey_from_word(std::string_view word) {
  static constexpr std::array<std::pair<std::string_view, Hotkey>, 7> kWords{{
      {"fn_or_control_option", Hotkey::FnOrControlOption},
      {"fn", Hotkey::Fn},
      {"right_option", Hotkey::RightOption},
      {"right_command", Hotkey::RightCommand},
      {"right_control", Hotkey::RightControl},
      {"control_windows", Hotkey::ControlWindows},
      {"right_alt", Hotkey::RightAlt},
  }};
  for (const auto& [text, hotkey] : kWords)
    if (text == word) return hotkey;
  return std::nullopt;
}

bool is_down(Hotkey held, uint64_t flags) {
  switch (held) {
    case Hotkey::FnOrControlOption:
      return (flags & cg::kFlagSecondaryFn) || control_and_option(flags);
    case Hotkey::Fn:
      return flags & cg::kFlagSecondaryFn;
    case Hotkey::ControlOption:
      return control_and_option(flags);
    case Hotkey::RightOption:
      return flags & cg::kFlagDeviceRightAlternate;
    case Hotkey::RightCommand:
      return flags & cg::kFlagDeviceRightCommand;
    case Hotkey::RightControl:
      return flags & cg::kFlagDeviceRightControl;
    case Hotkey::ControlWindows:
    case Hotkey::RightAlt:
      return false;
  }
  return false;
}

bool keys_down(Hotkey held, KeyDown key_down) {
  auto down = [key_down](int64_t keycode) {
    return key_down(static_cast<uint16_t>(keycode));
  };
  auto control_option = [&] {
    return (down(kControl) || down(kRightControl)) &&
           (down(kOption) || down(kRightOption));
  };
  switch (held) {
    case Hotkey::FnOrControlOption:
      return down(kFn) || control_option();
    case Hotkey::Fn:
      return down(kFn);
    case Hotkey::ControlOption:
      return control_option();
    case Hotkey::RightOption:
      return down(kRightOption);
    case Hotkey::RightCommand:
      return down(kRightCommand);
    case Hotkey::RightControl:
      return down(kRightControl);
    case Hotkey::ControlWindows:
    case Hotkey::RightAlt:
      return false;
  }
  return false;
}

std::optional<KeyAction> classify(Hotkey hotkey, uint32_t type, int64_t keycode,
                                  uint64_t flags, bool autorepeat,
                                  std::optional<Hotkey> held) {
  using Kind = KeyAction::Kind;
  if (type == cg::kKeyDown) {
    if (autorepeat) return std::nullopt;
    if (keycode == kEscape) return just(Kind::Escape);
    if (!held) return std::nullopt;
    return just(keycode == kSpace ? Kind::Space : Kind::Chord);
  }
  if (type == cg::kFlagsChanged) {
    if (!held) return press_rule(hotkey, keycode, flags);
    if (*held == Hotkey::Fn && keycode == kFn) return just(Kind::Release);
    return just(is_down(*held, flags) ? Kind::Chord : Kind::Release);
  }
  if (!held) return std::nullopt;
  if (type == cg::kLeftMouseDown || type == cg::kRightMouseDown ||
      type == cg::kOtherMouseDown)
    return just(Kind::Chord);
  return std::nullopt;
}

}  // namespace dictation
