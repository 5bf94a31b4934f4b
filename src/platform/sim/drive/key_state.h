// Which keys are down, as the HID system state sees them: kept from the
// injected input only (posted events do not change it). Pure; the event
// side keeps one behind its input lock.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "platform/cg_event.h"

namespace sim {

// The HID flag state's device bits: which of the left and right modifier
// keys is down (0x01 left control ... 0x40 right option, 0x2000 right
// control).
inline constexpr uint64_t kDeviceBits = 0x207F;

class KeyState {
 public:
  // A key is down after its key-down until its key-up. A modifier key is
  // down after a flags-changed event for it that sets its flag, and up after
  // one that clears it; for a modifier with left and right keys, flags that
  // carry a device bit for either side must also carry this key's.
  void apply(cg::EventType type, int64_t keycode, uint64_t flags);
  // The flags were set outright: the keys of modifiers they clear go up.
  void flags_set(uint64_t flags);
  bool down(uint16_t keycode) const { return keycode < 128 && keys_[keycode]; }

 private:
  std::bitset<128> keys_;
};

// Whether `flags` hold the modifier of key `keycode` down; none for a key
// that is not a modifier.
std::optional<bool> modifier_down(int64_t keycode, uint64_t flags);

}  // namespace sim
