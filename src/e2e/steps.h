// The key presses scripts/macos-e2e has the driver post: the dictate hotkey
// (right option), shift for the annotate gesture and the space bar, with
// pauses between them. Pure: the words of the command line become events
// carrying the modifier flags a real keyboard would give them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cg_event.h"

namespace e2e {

struct KeyEvent {
  uint16_t keycode = 0;
  bool down = false;
  bool modifier = false;  // posted as a flags-changed event, not a key event
  cg::Flags flags = 0;    // the modifiers held once the event is through
};

// One step: a key event, or a pause of `pause_ms` milliseconds.
struct Step {
  bool is_key = false;
  KeyEvent key;
  int pause_ms = 0;
};

inline constexpr int kLongestPauseMs = 5000;

// Reads the words "<key>:down" and "<key>:up" (key: right_option, shift,
// space) and "<n>ms" (0 <= n <= 5000). Every event carries the
// non-coalesced bit (0x100) and the modifiers held after it; a modifier
// adds its device bit. A modifier pressed while it is held, or released
// while it is not, is refused, as is an empty list. Returns "" or why the
// words are refused; `out` is set only on success.
std::string parse_steps(std::span<const std::string_view> words, std::vector<Step>* out);

}  // namespace e2e
