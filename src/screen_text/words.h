// Reading UTF-8 text as words: runs of characters between White_Space.
//
// Decoding is safe on any bytes: each maximal subpart of an ill-formed
// sequence reads as one U+FFFD, which is neither whitespace, numeric nor
// alphabetic, and is written out as U+FFFD. ASCII is classified from a table
// without calling into the Unicode library. Pure functions, any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace screen_text {

// The scalar value at byte `i` (below text.size()), advancing `i` past it.
// An ill-formed subpart gives U+FFFD and clears `valid`.
char32_t decode(std::string_view text, size_t& i, bool& valid);

bool is_white(char32_t c);       // White_Space
bool is_numeric(char32_t c);     // general category Nd, Nl or No
bool is_alphabetic(char32_t c);  // Alphabetic

// A byte that is a whole character of a word: ASCII but not whitespace
// (tab to carriage return, and space).
inline bool is_plain(char b) {
  auto u = static_cast<unsigned char>(b);
  return u < 0x80 && u != ' ' && (u < '\t' || u > '\r');
}

struct Word {
  size_t begin = 0;    // byte offsets in the text
  size_t end = 0;
  uint64_t chars = 0;  // scalar values, one per ill-formed subpart
  bool valid = true;   // well-formed UTF-8 throughout
};

// Finds the first word at or after byte `pos` and moves `pos` to its end.
// Counting stops after `limit` + 1 characters: a word longer than `limit`
// comes back with `chars` = limit + 1 and `end` after that character. False
// when only whitespace is left.
bool next_word(std::string_view text, size_t& pos, Word& word, uint64_t limit = UINT64_MAX);

// The words of `text` joined by single spaces, and its number of characters.
std::string normalised(std::string_view text, uint64_t& chars);

// The normalised text as far as its first `limit` + 1 characters: the whole
// of it, with `chars` its length, when it has at most `limit`; otherwise a
// prefix of it with `chars` > limit. Reads no further into `text` than that.
std::string normalised_head(std::string_view text, uint64_t limit, uint64_t& chars);

// A suffix of the normalised text holding at least its last `want`
// characters (all of it when it is shorter). Reads `text` from its end, only
// as far back as those characters and the whitespace among them.
std::string normalised_tail(std::string_view text, uint64_t want);

// Appends the word's bytes, with U+FFFD for each ill-formed subpart.
void append_word(std::string_view text, const Word& word, std::string& out);

// Whether well-formed `text` holds a numeric character.
bool has_numeric(std::string_view text);

// Scalar values in well-formed `text`.
uint64_t count_chars(std::string_view text);

// Byte offset just after the first `n` characters of well-formed `text`
// (its size when it has fewer).
size_t offset_after(std::string_view text, uint64_t n);

}  // namespace screen_text
