// UTF-8 <-> UTF-16 conversion for the simulated desktop's strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF);
// none when `utf8` is not valid.
std::optional<std::u16string> utf8_to_utf16(std::string_view utf8);

// None when `units` holds an unpaired surrogate.
std::optional<std::string> utf16_to_utf8(std::u16string_view units);

// Never fails: unpaired surrogates become U+FFFD.
std::string utf16_to_utf8_lossy(std::u16string_view units);

}  // namespace sim
