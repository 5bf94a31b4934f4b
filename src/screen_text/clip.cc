// Ill-formed input reads as if each maximal ill-formed subpart were U+FFFD,
// so every text returned is well-formed UTF-8. `clip` reads no further into
// a long text than the words it keeps and the first one it refuses, however
// long the text; `both_ends` reads the whole text once.
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
  uint64_t count = 0;
  std::string t = normalised(text, count);
  if (count <= max) {
    if (t.empty()) return std::nullopt;
    return t;
  }
  uint64_t half = max / 2;
  if (half == 0) return std::nullopt;
  std::string_view all = t;

  // A piece of a single long word is kept, unless it may be part of a
  // number: a cut word with a numeric character is dropped like any other.
  size_t head_end = offset_after(all, half);
  std::string head;
  if (all.substr(0, head_end).find(' ') != std::string_view::npos) {
    head = clip(all, half).value_or("");
  } else {
    std::string_view piece = all.substr(0, head_end);
    bool whole = head_end == all.size() || all[head_end] == ' ';
    if (whole || !has_numeric(piece)) head = piece;
  }

  size_t tail_start = all.size();
  for (uint64_t k = 0; k < half && tail_start > 0; ++k) {
    --tail_start;
    while (tail_start > 0 && (static_cast<unsigned char>(all[tail_start]) & 0xC0) == 0x80)
      --tail_start;
  }
  if (tail_start > 0 && all[tail_start - 1] == ' ') --tail_start;
  std::string_view slice = all.substr(tail_start);
  std::string_view tail;
  if (slice.find(' ') != std::string_view::npos) {
    tail = after_cut(slice).value_or("");
  } else if (tail_start == 0 || !has_numeric(slice)) {
    tail = slice;
  }

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

}  // namespace screen_text
