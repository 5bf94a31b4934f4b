#include "annotate/shift.h"

#include <gtest/gtest.h>

#include <random>

namespace annotate {
namespace {

using P = ShiftPhase;

int asked = 0;
bool secure_on() { return ++asked, true; }
bool secure_off() { return ++asked, false; }

constexpr uint64_t kShift = 0x20000, kControl = 0x40000, kOption = 0x80000,
                   kCommand = 0x100000;

// The whole table: every phase against no shift, shift with another
// modifier, and shift alone; secure input on and off.
TEST(ShiftChange, EveryPhaseAndModifierClass) {
  struct Row {
    P prev;
    uint64_t flags;
    bool secure;
    ShiftChange want;
    int asks;
  };
  const ShiftLine press_alone{true, true}, press_with{true, false};
  const ShiftLine release_alone{false, true}, release_spoiled{false, false};
  const std::vector<Row> rows = {
      {P::NotHeld, 0, false, {P::NotHeld, {}}, 0},
      {P::NotHeld, kShift | kCommand, true, {P::HeldWithOthers, press_with}, 0},
      {P::NotHeld, kShift, false, {P::HeldAlone, press_alone}, 1},
      {P::NotHeld, kShift, true, {P::HeldSpoiled, press_alone}, 1},
      {P::HeldAlone, 0, true, {P::NotHeld, release_alone}, 0},
      {P::HeldAlone, kShift | kOption, false, {P::HeldWithOthers, press_with}, 0},
      {P::HeldAlone, kShift, true, {P::HeldAlone, {}}, 0},
      {P::HeldSpoiled, 0, false, {P::NotHeld, release_spoiled}, 0},
      {P::HeldSpoiled, kShift | kControl, false, {P::HeldWithOthers, press_with}, 0},
      {P::HeldSpoiled, kShift, false, {P::HeldSpoiled, {}}, 0},
      {P::HeldWithOthers, 0, false, {P::NotHeld, release_spoiled}, 0},
      {P::HeldWithOthers, kShift | kCommand, false, {P::HeldWithOthers, {}}, 0},
      {P::HeldWithOthers, kShift, false, {P::HeldWithOthers, {}}, 0},
      // Other modifiers without shift are no shift at all.
      {P::HeldAlone, kCommand | kOption, false, {P::NotHeld, release_alone}, 0},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    asked = 0;
    EXPECT_EQ(shift_change(r.prev, r.flags, r.secure ? &secure_on : &secure_off), r.want)
        << "row " << i;
    EXPECT_EQ(asked, r.asks) << "row " << i;
  }
}

// Flag bits other than shift, control, option and command change nothing.
TEST(ShiftChange, OtherFlagBitsAreIgnored) {
  std::mt19937_64 random(7);
  const uint64_t looked_at = kShift | kControl | kOption | kCommand;
  for (int i = 0; i < 2000; ++i) {
    uint64_t flags = random();
    P prev = static_cast<P>(random() % 4);
    EXPECT_EQ(shift_change(prev, flags, &secure_off),
              shift_change(prev, flags & looked_at, &secure_off))
        << std::hex << flags;
  }
}

}  // namespace
}  // namespace annotate
