// UTF-8 and UTF-16 text helpers without any character data.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace unicode {

bool valid_utf8(std::string_view bytes);

// Every maximal invalid subsequence becomes U+FFFD.
std::string replace_invalid_utf8(std::string_view bytes);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD and conversion goes
// on with the next unit.
std::string utf16_to_utf8(std::u16string_view units);

// Strict UTF-8 to UTF-16: none unless `bytes` is valid UTF-8.
std::optional<std::u16string> utf8_to_utf16(std::string_view bytes);

// UTF-16 to UTF-8 that refuses instead of replacing: none when `units` holds
// an unpaired surrogate.
std::optional<std::string> utf16_to_utf8_strict(std::u16string_view units);

// Appends the UTF-16 form of the scalar value `c`.
void append_utf16(char32_t c, std::u16string& out);

// Appends the UTF-8 form of the scalar value `c`.
void append_utf8(char32_t c, std::string& out);

// Decodes the scalar value starting at byte `i` of valid UTF-8 text and
// advances `i` past it.
char32_t next_scalar(std::string_view utf8, size_t& i);

}  // namespace unicode
