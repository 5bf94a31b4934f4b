#include "platform/sim/drive/key_state.h"

namespace sim {
namespace {

struct Modifier {
  int64_t keycode;
  uint64_t flag;     // the shared flag (kCGEventFlagMask...)
  uint64_t device;   // this key's device bit, or 0
  uint64_t sides;    // the device bits of both keys of this modifier
};

// Device bits of the left keys and of right shift: only this table needs
// them (the right-hand ones a hotkey uses are in cg_event.h).
constexpr uint64_t kLeftControl = 0x0001, kLeftShift = 0x0002, kRightShift = 0x0004,
                   kLeftCommand = 0x0008, kLeftOption = 0x0020;
constexpr uint64_t kControlSides = kLeftControl | cg::kFlagDeviceRightControl;
constexpr uint64_t kShiftSides = kLeftShift | kRightShift;
constexpr uint64_t kCommandSides = kLeftCommand | cg::kFlagDeviceRightCommand;
constexpr uint64_t kOptionSides = kLeftOption | cg::kFlagDeviceRightAlternate;

constexpr Modifier kModifiers[] = {
    {59, cg::kFlagControl, kLeftControl, kControlSides},
    {62, cg::kFlagControl, cg::kFlagDeviceRightControl, kControlSides},
    {56, cg::kFlagShift, kLeftShift, kShiftSides},
    {60, cg::kFlagShift, kRightShift, kShiftSides},
    {55, cg::kFlagCommand, kLeftCommand, kCommandSides},
    {54, cg::kFlagCommand, cg::kFlagDeviceRightCommand, kCommandSides},
    {58, cg::kFlagAlternate, kLeftOption, kOptionSides},
    {61, cg::kFlagAlternate, cg::kFlagDeviceRightAlternate, kOptionSides},
    {63, cg::kFlagSecondaryFn, 0, 0},  // fn
    {57, cg::kFlagAlphaShift, 0, 0},   // caps lock
};

}  // namespace

std::optional<bool> modifier_down(int64_t keycode, uint64_t flags) {
  for (const Modifier& m : kModifiers) {
    if (m.keycode != keycode) continue;
    if (!(flags & m.flag)) return false;
    return !(m.sides && (flags & m.sides)) || (flags & m.device) != 0;
  }
  return std::nullopt;
}

void KeyState::apply(cg::EventType type, int64_t keycode, uint64_t flags) {
  if (keycode < 0 || keycode >= 128) return;
  if (type == cg::kKeyDown) keys_.set(static_cast<size_t>(keycode));
  if (type == cg::kKeyUp) keys_.reset(static_cast<size_t>(keycode));
  if (type == cg::kFlagsChanged) {
    if (std::optional<bool> down = modifier_down(keycode, flags)) {
      keys_.set(static_cast<size_t>(keycode), *down);
    }
  }
}

void KeyState::flags_set(uint64_t flags) {
  for (const Modifier& m : kModifiers) {
    if (keys_[static_cast<size_t>(m.keycode)] && !*modifier_down(m.keycode, flags)) {
      keys_.reset(static_cast<size_t>(m.keycode));
    }
  }
}

}  // namespace sim
