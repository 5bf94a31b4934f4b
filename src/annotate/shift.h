// The shift-key gesture of the annotate mode, as plain values: the phase of
// the shift key and what one modifier change does to it.
#pragma once

#include <cstdint>
#include <optional>

namespace annotate {

enum class ShiftPhase : uint8_t {
  NotHeld = 0,
  // Down without control, option or command, and nothing has spoiled it.
  HeldAlone = 1,
  // Went down alone, but a right or other button, a scroll, secure input at
  // the press, or learning of the press only by a catch-up spoiled it.
  HeldSpoiled = 2,
  // Down together with control, option or command.
  HeldWithOthers = 3,
};

// Modifier bits of the event flags word that the gesture looks at.
inline constexpr uint64_t kShiftMask = 0x20000;
inline constexpr uint64_t kOthersMask = 0x40000 | 0x80000 | 0x100000;

// The "shift" line a change writes.
struct ShiftLine {
  bool held = false;
  bool alone = false;
  bool operator==(const ShiftLine&) const = default;
};

struct ShiftChange {
  ShiftPhase next = ShiftPhase::NotHeld;
  std::optional<ShiftLine> line;
  bool operator==(const ShiftChange&) const = default;
};

// What the flags word `flags` does to the phase `prev`. `secure` is asked
// only for a press of shift alone from `NotHeld`: secure input on at that
// press spoils the gesture (the line still says alone).
ShiftChange shift_change(ShiftPhase prev, uint64_t flags, bool (*secure)());

}  // namespace annotate
