#include "platform/sim/drive/key_state.h"

namespace sim {
namespace {

struct Modifier {
  int64_t keycode;
  uint64_t flag;     // the shared flag (kCGEventFlagMask...)
  uint64_t device;   // this key's device bit, or 0
  uint64_t sides;    // the device bits of both keys of this modifier
};

constexpr uint64_t kControlSides = 0x0001 | 0x2000;
constexpr uint64_t kShiftSides = 0x0002 | 0x0004;
constexpr uint64_t kCommandSides = 0x0008 | 0x0010;
constexpr uint64_t kOptionSides = 0x0020 | 0x0040;

constexpr Modifier kModifiers[] = {
    {59, cg::kFlagControl, 0x0001, kControlSides},    // control
    {62, cg::kFlagControl, 0x2000, kControlSides},    // right control
    {56, cg::kFlagShift, 0x0002, kShiftSides},        // shift
    {60, cg::kFlagShift, 0x0004, kShiftSides},        // right shift
    {55, cg::kFlagCommand, 0x0008, kCommandSides},    // command
    {54, cg::kFlagCommand, 0x0010, kCommandSides},    // right command
    {58, cg::kFlagAlternate, 0x0020, kOptionSides},   // option
    {61, cg::kFlagAlternate, 0x0040, kOptionSides},   // right option
    {63, cg::kFlagSecondaryFn, 0, 0},                 // fn
    {57, 0x10000, 0, 0},                              // caps lock
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
