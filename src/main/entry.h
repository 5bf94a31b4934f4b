// Mode dispatch from the command line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace entry {

inline constexpr std::string_view kUsage =
    "usage: quorvel-computer-helper dictate --key <key> | annotate | inspect\n";

// Chooses the mode for the arguments after the program name and returns the
// process status. Arguments that are not UTF-8 never reach a mode: a
// diagnostic on standard error and status 2.
uint8_t dispatch(std::span<const std::string> args);

}  // namespace entry
