// Hotkey choice and key classification of the dictate mode. Pure: plain
// numbers in, a verdict out; no platform calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace dictation {

enum class Hotkey : uint8_t {
  FnOrControlOption = 0,
  Fn = 1,
  ControlOption = 2,  // only ever held, after a press under FnOrControlOption
  RightOption = 3,
  RightCommand = 4,
  RightControl = 5,
  ControlWindows = 6,  // accepted, never pressed on this platform
  RightAlt = 7,        // accepted, never pressed on this platform
};

// The command-line word of a hotkey; none for ControlOption.
std::optional<Hotkey> hotkey_from_word(std::string_view word);

struct KeyAction {
  enum class Kind : uint8_t { Press, Release, Chord, Space, Escape };
  Kind kind;
  Hotkey held = Hotkey::Fn;  // Press only: the chord now held
  bool operator==(const KeyAction&) const = default;
};

// The verdict on one input event. `type` is the event type, `flags` the
// event's 64-bit flags, `held` the chord currently down.
std::optional<KeyAction> classify(Hotkey hotkey, uint32_t type, int64_t keycode,
                                  uint64_t flags, bool autorepeat,
                                  std::optional<Hotkey> held);

// Whether `flags` show the held chord still down.
bool is_down(Hotkey held, uint64_t flags);

// Whether the keys of the held chord are down by `key_down` (asked with a
// virtual key code): its own key for fn and the right-side hotkeys; a
// control key and an option key, left or right, for control+option; either
// of those for fn_or_control_option. The system's flag state can miss the
// device bit of a right-side key while it is held; its key state does not.
using KeyDown = bool (*)(uint16_t keycode);
bool keys_down(Hotkey held, KeyDown key_down);

}  // namespace dictation
