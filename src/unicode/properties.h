// Unicode character properties and case mapping (ICU).
#pragma once

#include <string>
#include <string_view>

namespace unicode {

bool is_white_space(char32_t c);  // White_Space
bool is_alphabetic(char32_t c);   // Alphabetic
bool is_numeric(char32_t c);      // general category Nd, Nl or No

// Full upper-case mapping of UTF-8 text (one character may become several).
// The input must be valid UTF-8.
std::string to_upper_full(std::string_view utf8);

// The text without leading and trailing White_Space characters. The input
// must be valid UTF-8; the result is a view into it.
std::string_view trim_white_space(std::string_view utf8);

}  // namespace unicode
