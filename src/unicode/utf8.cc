// UTF-8 decoding follows the well-formed byte sequences of the Unicode
// standard (table 3-7): no overlong forms, no surrogates, nothing above
// U+10FFFF. Replacement uses "maximal subparts": each maximal prefix of a
// well-formed sequence that cannot be completed becomes one U+FFFD.
#include "unicode/utf8.h"

#include <cstdint>
#include <cstring>

namespace unicode {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence at `i`, or 0 if there is none there; in
// that case `prefix` is the length of its maximal subpart (at least 1).
size_t sequence_at(std::string_view s, size_t i, size_t& prefix) {
  auto byte = [&](size_t k) -> uint8_t {
    return i + k < s.size() ? static_cast<uint8_t>(s[i + k]) : 0;
  };
  uint8_t b0 = byte(0);
  prefix = 1;
  if (b0 < 0x80) return 1;
  size_t length;
  uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (size_t k = 1; k < length; ++k) {
    if (i + k >= s.size()) return 0;
    uint8_t b = byte(k);
    bool ok = k == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
    if (!ok) return 0;
    prefix = k + 1;
  }
  return length;
}

}  // namespace

void append_utf8(char32_t c, std::string& out) {
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

bool valid_utf8(std::string_view bytes) {
  size_t i = 0, prefix = 0;
  while (i < bytes.size()) {
    // ASCII runs dominate real input; skip them eight bytes at a time.
    while (i + 8 <= bytes.size()) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i, sizeof word);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= bytes.size()) break;
    size_t length = sequence_at(bytes, i, prefix);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string replace_invalid_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  size_t i = 0, prefix = 0;
  while (i < bytes.size()) {
    size_t length = sequence_at(bytes, i, prefix);
    if (length == 0) {
      out += kReplacement;
      i += prefix;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view units) {
  // At most three bytes per unit (a pair of four bytes is two units): write
  // into a buffer of that size and trim it once, with no growth checks.
  std::string out(units.size() * 3, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  const char16_t* u = units.data();
  const char16_t* const end = u + units.size();
  while (u < end) {
    char32_t c = *u++;
    if (c < 0x80) {
      *o++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
      *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0xD800 || c > 0xDFFF ||
               (c <= 0xDBFF && u < end && *u >= 0xDC00 && *u <= 0xDFFF)) {
      if (c >= 0xD800 && c <= 0xDBFF) c = 0x10000 + ((c - 0xD800) << 10) + (*u++ - 0xDC00);
      if (c >= 0x10000) {
        *o++ = static_cast<unsigned char>(0xF0 | (c >> 18));
        *o++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
      } else {
        *o++ = static_cast<unsigned char>(0xE0 | (c >> 12));
      }
      *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {  // an unpaired surrogate
      *o++ = 0xEF;
      *o++ = 0xBF;
      *o++ = 0xBD;
    }
  }
  out.resize(static_cast<size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
  return out;
}

void append_utf16(char32_t c, std::u16string& out) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

std::optional<std::u16string> utf8_to_utf16(std::string_view bytes) {
  if (!valid_utf8(bytes)) return std::nullopt;
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) append_utf16(next_scalar(bytes, i), out);
  return out;
}

std::optional<std::string> utf16_to_utf8_strict(std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() &&
        units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      return std::nullopt;
    }
  }
  return utf16_to_utf8(units);
}

char32_t next_scalar(std::string_view utf8, size_t& i) {
  auto b = [&](size_t k) { return static_cast<char32_t>(static_cast<uint8_t>(utf8[i + k])); };
  char32_t b0 = b(0);
  char32_t c;
  if (b0 < 0x80) {
    c = b0;
    i += 1;
  } else if (b0 < 0xE0) {
    c = ((b0 & 0x1F) << 6) | (b(1) & 0x3F);
    i += 2;
  } else if (b0 < 0xF0) {
    c = ((b0 & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    i += 3;
  } else {
    c = ((b0 & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    i += 4;
  }
  return c;
}

}  // namespace unicode
