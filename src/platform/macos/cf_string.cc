// Core Foundation strings. Text crosses as UTF-16 code units, which is what a
// CFString holds; UTF-8 is decoded by the unicode module, strictly, so that
// what counts as UTF-8 does not depend on the system's own (more lenient)
// decoder.
#include <optional>
#include <string>

#include "platform/cf.h"
#include "platform/macos/bridge.h"
#include "unicode/utf8.h"

namespace macos {

cf::Ref name_string(std::string_view utf8) { return cf::string_create(utf8); }

}  // namespace macos

namespace cf {

Ref string_create(std::string_view utf8) {
  std::optional<std::u16string> units = unicode::utf8_to_utf16(utf8);
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

int64_t string_length(TypeRef string) {
  if (!macos::is(string, CFStringGetTypeID())) return 0;
  return CFStringGetLength(macos::as<CFStringRef>(string));
}

std::u16string string_units(TypeRef string, int64_t start, int64_t count) {
  int64_t length = string_length(string);
  if (start < 0) start = 0;
  if (start >= length || count <= 0) return {};
  if (count > length - start) count = length - start;
  std::u16string units(static_cast<size_t>(count), u'\0');
  CFStringGetCharacters(macos::as<CFStringRef>(string), CFRangeMake(start, count),
                        reinterpret_cast<UniChar*>(units.data()));
  return units;
}

}  // namespace cf
