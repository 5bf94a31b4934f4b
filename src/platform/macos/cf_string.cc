// Core Foundation strings. Text crosses as UTF-16 code units, which is what a
// CFString holds; UTF-8 is decoded here, strictly, so that what counts as
// UTF-8 does not depend on the system's own (more lenient) decoder.
#include <optional>
#include <string>

#include "platform/cf.h"
#include "platform/macos/bridge.h"

namespace macos {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<std::u16string> utf16_of(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      units.push_back(b);
      ++i;
      continue;
    }
    size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra == 0 || b > 0xF4 || utf8.size() - i <= extra) return std::nullopt;
    char32_t c = b & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      auto t = static_cast<unsigned char>(utf8[i + k]);
      if ((t & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (t & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      return std::nullopt;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
    i += extra + 1;
  }
  return units;
}

}  // namespace

cf::Ref name_string(std::string_view utf8) { return cf::string_create(utf8); }

}  // namespace macos

namespace cf {

Ref string_create(std::string_view utf8) {
  std::optional<std::u16string> units = macos::utf16_of(utf8);
  if (!units) return Ref();
  return string_create_utf16(*units);
}

Ref string_create_utf16(std::u16string_view units) {
  static_assert(sizeof(UniChar) == sizeof(char16_t));
  return macos::adopt(CFStringCreateWithCharacters(
      kCFAllocatorDefault, reinterpret_cast<const UniChar*>(units.data()),
      static_cast<CFIndex>(units.size())));
}

std::u16string string_units(TypeRef string) {
  if (!macos::is(string, CFStringGetTypeID())) return {};
  auto s = macos::as<CFStringRef>(string);
  std::u16string units(static_cast<size_t>(CFStringGetLength(s)), u'\0');
  CFStringGetCharacters(s, CFRangeMake(0, static_cast<CFIndex>(units.size())),
                        reinterpret_cast<UniChar*>(units.data()));
  return units;
}

}  // namespace cf
