#include "macos_screen/ends.h"

#include "macos/focus.h"
#include "screen_text/clip.h"
#include "unicode/utf8.h"

namespace frontmost::platform::screen {

std::optional<std::string> ends_of(cf::TypeRef string, uint64_t max) {
  int64_t length = cf::string_length(string);
  // Units read from each end: a few per character shown, more while
  // whitespace leaves the pieces short, the whole string at last.
  int64_t piece = max < 1024 ? static_cast<int64_t>(max) * 4 + 64 : 0;
  for (; piece > 0 && piece <= length / 4; piece *= 8) {
    std::string head = unicode::utf16_to_utf8(cf::string_units(string, 0, piece));
    std::string tail = unicode::utf16_to_utf8(cf::string_units(string, length - piece, piece));
    if (auto shown = screen_text::both_ends_of_ends(head, tail, max)) return *shown;
  }
  return screen_text::both_ends(text_of(string), max);
}

}  // namespace frontmost::platform::screen
