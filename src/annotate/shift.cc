#include "annotate/shift.h"

namespace annotate {

ShiftChange shift_change(ShiftPhase prev, uint64_t flags, bool (*secure)()) {
  using P = ShiftPhase;
  if (!(flags & cg::kFlagShift)) {
    if (prev == P::NotHeld) return {P::NotHeld, std::nullopt};
    return {P::NotHeld, ShiftLine{false, prev == P::HeldAlone}};
  }
  if (flags & kOthersMask) {
    if (prev == P::HeldWithOthers) return {prev, std::nullopt};
    return {P::HeldWithOthers, ShiftLine{true, false}};
  }
  // Shift only. Letting go of the other modifiers does not make a gesture
  // that had them alone again.
  if (prev != P::NotHeld) return {prev, std::nullopt};
  return {secure() ? P::HeldSpoiled : P::HeldAlone, ShiftLine{true, true}};
}

}  // namespace annotate
