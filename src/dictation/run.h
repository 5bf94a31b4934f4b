// Entry of the dictate mode.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dictation {

inline constexpr std::string_view kUsage =
    "usage: quorvel-computer-helper dictate --key "
    "fn_or_control_option|fn|right_option|right_command|right_control|"
    "control_windows|right_alt\n";

// Validates the arguments after "dictate" and runs the service. Returns the
// process status: 1 after printing the usage text.
uint8_t run(std::span<const std::string> args);

}  // namespace dictation
