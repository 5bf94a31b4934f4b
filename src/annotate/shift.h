// The shift-key gesture of the annotate mode, as plain values: the phase of
// the shift key and what one modifier change does to it.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/cg_event.h"

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

// The modifiers besides shift that make a press not alone.
inline constexpr cg::Flags kOthersMask = cg::kFlagControl | cg::kFlagAlternate | cg::kFlagCommand;

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
