// Clipping of arbitrary bytes: every result is well-formed UTF-8 within its
// length bound, cut at a word boundary of the normalised text, shows numbers
// only as whole words (but for an end of `both_ends` cut inside one word), and does not depend on how ill-formed bytes are
// spelled (they read as U+FFFD). The first byte is the character limit, 255
// meaning none; the rest is the text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "screen_text/clip.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

uint64_t chars(std::string_view s) {
  uint64_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) unicode::next_scalar(s, i);
  return n;
}

bool numeric(std::string_view word) {
  for (size_t i = 0; i < word.size();)
    if (unicode::is_numeric(unicode::next_scalar(word, i))) return true;
  return false;
}

std::set<std::string_view> words(std::string_view normalised) {
  std::set<std::string_view> out;
  for (size_t start = 0; start < normalised.size();) {
    size_t end = std::min(normalised.find(' ', start), normalised.size());
    out.insert(normalised.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void check_numbers_whole(std::string_view out, const std::set<std::string_view>& whole) {
  for (std::string_view w : words(out))
    if (numeric(w)) check(whole.count(w) > 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint64_t max = data[0] == 255 ? UINT64_MAX : data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string fixed = unicode::replace_invalid_utf8(text);

  // Nothing is too long for an unbounded limit: that is the normalised text.
  std::string t = screen_text::both_ends(text, UINT64_MAX).value_or("");
  check(unicode::valid_utf8(t));
  check(t == screen_text::both_ends(fixed, UINT64_MAX).value_or(""));
  std::set<std::string_view> whole = words(t);

  std::optional<std::string> c = screen_text::clip(text, max);
  check(c == screen_text::clip(fixed, max));
  if (c) {
    check(!c->empty() && unicode::valid_utf8(*c) && chars(*c) <= max);
    check(t.compare(0, c->size(), *c) == 0 && (c->size() == t.size() || t[c->size()] == ' '));
    check_numbers_whole(*c, whole);
  }

  std::optional<std::string> b = screen_text::both_ends(text, max);
  check(b == screen_text::both_ends(fixed, max));
  if (chars(t) <= max) {
    check(b.value_or("") == t);
  } else if (b) {
    check(unicode::valid_utf8(*b) && chars(*b) <= 2 * (max / 2) + 3);
    // Between the first and the last word (an end that is one long word is
    // shown cut, digits and all), numbers are whole words.
    std::string_view inner = *b;
    inner.remove_prefix(std::min(inner.size(), inner.find(' ') + 1));
    inner.remove_suffix(inner.size() - std::min(inner.size(), inner.rfind(' ') + 1));
    check_numbers_whole(inner, whole);
  }

  std::optional<std::string_view> a = screen_text::after_cut(text);
  if (a) {
    check(!a->empty() && a->data() + a->size() == text.data() + text.size());
    check(unicode::valid_utf8(*a));
    size_t first = 0;
    check(!unicode::is_white_space(unicode::next_scalar(*a, first)));
  }
  return 0;
}
