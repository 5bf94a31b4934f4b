// Entry of the dictate mode.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "dictation/hotkey.h"

namespace dictation {

inline constexpr std::string_view kUsage =
    "usage: quorvel-computer-helper dictate --key "
    "fn_or_control_option|fn|right_option|right_command|right_control|"
    "control_windows|right_alt\n";

// Validates the arguments after "dictate" and runs the service. Returns the
// process status: 1 after printing the usage text.
uint8_t run(std::span<const std::string> args);

namespace platform {
// The running service: "ready"/"denied", the tap, the command channel.
// Returns 0, 1 (tap thread ended without a verdict) or 3 (tap refused).
uint8_t run(Hotkey hotkey);

// How long the end of input waits for key event lines already queued.
inline constexpr std::chrono::seconds kFinishLimit{1};
// Waits until every key event line queued so far has been written, or
// kFinishLimit passed (standard output stays blocked). Any thread.
void finish_key_events();
}  // namespace platform

}  // namespace dictation
