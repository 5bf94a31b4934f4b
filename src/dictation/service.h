// The running dictate service (service.cc): the tap, the emitter and the
// command channel.
#pragma once

#include <chrono>
#include <cstdint>

#include "dictation/hotkey.h"

namespace dictation::platform {

// The running service: "ready"/"denied", the tap, the command channel.
// Returns 0, 1 (tap thread ended without a verdict) or 3 (tap refused).
uint8_t run(Hotkey hotkey);

// How long the end of input waits for key event lines already queued.
inline constexpr std::chrono::seconds kFinishLimit{1};
// Waits until every key event line queued so far has been written, or
// kFinishLimit passed (standard output stays blocked). Any thread.
void finish_key_events();

}  // namespace dictation::platform
