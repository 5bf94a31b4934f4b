// Ill-formed input reads as if each maximal ill-formed subpart were U+FFFD,
// so every text returned is well-formed UTF-8. `clip` reads no further into
// a long text than the words it keeps and the first one it refuses, however
// long the text; `both_ends` reads only as far from either end as the
// characters it can show, and the whitespace between them.
#include "screen_text/clip.h"

#include "screen_text/words.h"
#include "unicode/utf8.h"

namespace screen_text {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

// Removes trailing words that hold a numeric character from well-formed,
// normalised `text`.
void drop_number_words(std::string& text) {
  while (!text.empty()) {
    size_t space = text.rfind(' ');
    size_t start = space == std::string::npos ? 0 : space + 1;
    if (!has_numeric(std::string_view(text).substr(start))) return;
    text.resize(space == std::string::npos ? 0 : space);
  }
}

}  // namespace

std::optional<std::string> clip(std::string_view text, uint64_t max) {
  if (text.size() <= max) {  // no more characters than bytes: it fits
    uint64_t chars = 0;
    std::string t = normalised(text, chars);
    if (t.empty()) return std::nullopt;
    return t;
  }
  // The normalised text is the words joined by single spaces, so keeping
  // whole words while they fit is cutting at its last space within `max`.
  std::string out;
  uint64_t used = 0;
  bool cut = false;
  size_t pos = 0;
  Word word;
  for (;;) {
    uint64_t room = used == 0 ? max : (max > used ? max - used - 1 : 0);
    if (!next_word(text, pos, word, room)) break;
    if (word.chars > room) {
      cut = true;
      break;
    }
    if (used > 0) {
      out += ' ';
      ++used;
    }
    append_word(text, word, out);
    used += word.chars;
  }
  if (cut) drop_number_words(out);
  if (out.empty()) return std::nullopt;
  return out;
}

std::optional<std::string_view> after_cut(std::string_view text) {
  size_t i = 0;
  bool valid = true;
  bool found = false;
  while (i < text.size() && !found) found = is_white(decode(text, i, valid));
  if (!found) return std::nullopt;
  for (;;) {
    size_t start = i;
    while (start < text.size()) {
      size_t next = start;
      if (!is_white(decode(text, next, valid))) break;
      start = next;
    }
    if (start >= text.size()) return std::nullopt;
    bool numeric = false;
    for (i = start; i < text.size();) {
      size_t next = i;
      char32_t c = decode(text, next, valid);
      if (is_white(c)) break;
      numeric = numeric || is_numeric(c);
      i = next;
    }
    if (!numeric) {
      // A view cannot mend bytes: a rest that is not well-formed is refused.
      std::string_view rest = text.substr(start);
      if (!unicode::valid_utf8(rest)) return std::nullopt;
      return rest;
    }
  }
}

std::optional<std::string> both_ends(std::string_view text, uint64_t max) {
  // Whether the text fits is known after max + 1 characters; the head needs
  // half + 1 of them, the tail the last half + 1. The middle is never read.
  uint64_t count = 0;
  std::string front = normalised_head(text, max, count);
  if (count <= max) {
    if (front.empty()) return std::nullopt;
    return front;
  }
  uint64_t half = max / 2;
  if (half == 0) return std::nullopt;

  // A slice that is one long word is kept as it is, cut inside the word.
  size_t head_end = offset_after(front, half);
  std::string head;
  if (std::string_view(front).substr(0, head_end).find(' ') != std::string_view::npos) {
    head = clip(front, half).value_or("");
  } else {
    head = front.substr(0, head_end);
  }

  // `back` ends like the normalised text and holds at least its last
  // half + 1 characters: the tail and the character before it.
  std::string back = normalised_tail(text, half + 1);
  std::string_view all = back;
  size_t tail_start = all.size();
  for (uint64_t k = 0; k < half && tail_start > 0; ++k) {
    --tail_start;
    while (tail_start > 0 && (static_cast<unsigned char>(all[tail_start]) & 0xC0) == 0x80)
      --tail_start;
  }
  if (tail_start > 0 && all[tail_start - 1] == ' ') --tail_start;
  std::string_view slice = all.substr(tail_start);
  std::string_view tail = slice;
  if (slice.find(' ') != std::string_view::npos) tail = after_cut(slice).value_or("");

  if (head.empty() && tail.empty()) return std::nullopt;
  std::string out = head;
  if (!head.empty()) out += ' ';
  out += kEllipsis;
  if (!tail.empty()) {
    out += ' ';
    out += tail;
  }
  return out;
}

std::optional<std::optional<std::string>> both_ends_of_ends(std::string_view head,
                                                            std::string_view tail, uint64_t max) {
  // `both_ends` reads at most max + 2 characters from the front and half + 1
  // from the back; one more at each piece's cut edge may be a broken one.
  if (max > UINT64_MAX / 2) return std::nullopt;
  uint64_t front = 0;
  (void)normalised_head(head, max + 2, front);
  if (front <= max + 2) return std::nullopt;
  if (count_chars(normalised_tail(tail, max / 2 + 2)) < max / 2 + 2) return std::nullopt;
  // A line feed where the middle was: no word runs across the gap.
  std::string joined;
  joined.reserve(head.size() + 1 + tail.size());
  joined.append(head).append("\n").append(tail);
  return both_ends(joined, max);
}

}  // namespace screen_text
