#include "platform/sim/utf.h"

#include <cstdint>

namespace sim {
namespace {

void append_utf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool high(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool low(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes one scalar at `i`; none for an unpaired surrogate. Advances `i`.
std::optional<uint32_t> next_scalar(std::u16string_view units, size_t& i) {
  char16_t u = units[i++];
  if (high(u) && i < units.size() && low(units[i])) {
    return 0x10000 + ((uint32_t(u) - 0xD800) << 10) + (units[i++] - 0xDC00);
  }
  if (high(u) || low(u)) return std::nullopt;
  return u;
}

}  // namespace

std::optional<std::u16string> utf8_to_utf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    uint32_t c;
    int more;
    uint32_t min;
    if (b < 0x80) { c = b; more = 0; min = 0; }
    else if (b >= 0xC2 && b <= 0xDF) { c = b & 0x1F; more = 1; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { c = b & 0x0F; more = 2; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { c = b & 0x07; more = 3; min = 0x10000; }
    else return std::nullopt;
    if (s.size() - i - 1 < static_cast<size_t>(more)) return std::nullopt;
    for (int k = 1; k <= more; ++k) {
      uint8_t t = static_cast<uint8_t>(s[i + k]);
      if ((t & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (t & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      return std::nullopt;
    }
    i += 1 + more;
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
  }
  return out;
}

std::optional<std::string> utf16_to_utf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  size_t i = 0;
  while (i < units.size()) {
    auto c = next_scalar(units, i);
    if (!c) return std::nullopt;
    append_utf8(out, *c);
  }
  return out;
}

std::string utf16_to_utf8_lossy(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  size_t i = 0;
  while (i < units.size()) {
    append_utf8(out, next_scalar(units, i).value_or(0xFFFD));
  }
  return out;
}

}  // namespace sim
