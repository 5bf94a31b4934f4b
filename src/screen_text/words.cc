#include "screen_text/words.h"

#include <array>
#include <atomic>
#include <cstring>

#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace screen_text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

enum : uint8_t { kWhite = 1, kNumeric = 2, kAlphabetic = 4 };

// The Unicode classes of the ASCII characters: White_Space is tab to
// carriage return and space; the numerics are the digits; the alphabetics
// the Latin letters. A test holds this table against the Unicode library.
constexpr std::array<uint8_t, 128> kAscii = [] {
  std::array<uint8_t, 128> table{};
  for (int c = '\t'; c <= '\r'; ++c) table[c] = kWhite;
  table[' '] = kWhite;
  for (int c = '0'; c <= '9'; ++c) table[c] = kNumeric;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = table[c + ('a' - 'A')] = kAlphabetic;
  return table;
}();

bool ascii_white(unsigned char b) { return kAscii[b] & kWhite; }

// White_Space of the Basic Multilingual Plane, one bit per character, so
// that text in any script is split into words without a library call per
// character. Each block of 256 characters is read from the Unicode library
// on first use (a few microseconds); threads that race to fill a block
// store the same bits.
class BmpWhiteSpace {
 public:
  bool operator()(char32_t c) {
    size_t block = c >> 8;
    if (!ready_[block].load(std::memory_order_acquire)) fill(block);
    return (bits_[c >> 6].load(std::memory_order_relaxed) >> (c & 63)) & 1;
  }

 private:
  void fill(size_t block) {
    for (size_t word = block * 4; word < block * 4 + 4; ++word) {
      uint64_t bits = 0;
      for (char32_t k = 0; k < 64; ++k)
        if (unicode::is_white_space(static_cast<char32_t>(word * 64) + k)) bits |= uint64_t{1} << k;
      bits_[word].store(bits, std::memory_order_relaxed);
    }
    ready_[block].store(true, std::memory_order_release);
  }

  std::array<std::atomic<bool>, 256> ready_{};
  std::array<std::atomic<uint64_t>, 1024> bits_{};
};

constinit BmpWhiteSpace BMP_WHITE_SPACE;

}  // namespace

char32_t decode(std::string_view text, size_t& i, bool& valid) {
  auto byte = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
  uint8_t b0 = byte(0);
  if (b0 < 0x80) {
    i += 1;
    return b0;
  }
  size_t length;
  char32_t c;
  uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    c = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    c = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    valid = false;
    i += 1;
    return kReplacement;
  }
  for (size_t k = 1; k < length; ++k) {
    bool ok = i + k < text.size();
    if (ok) {
      uint8_t b = byte(k);
      ok = k == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
    }
    if (!ok) {  // the maximal subpart ends before byte k
      valid = false;
      i += k;
      return kReplacement;
    }
    c = (c << 6) | (byte(k) & 0x3F);
  }
  i += length;
  return c;
}

bool is_white(char32_t c) {
  if (c < 0x80) return (kAscii[c] & kWhite) != 0;
  if (c < 0x10000) return BMP_WHITE_SPACE(c);
  return unicode::is_white_space(c);
}

bool is_numeric(char32_t c) {
  return c < 0x80 ? (kAscii[c] & kNumeric) != 0 : unicode::is_numeric(c);
}

bool is_alphabetic(char32_t c) {
  return c < 0x80 ? (kAscii[c] & kAlphabetic) != 0 : unicode::is_alphabetic(c);
}

bool next_word(std::string_view text, size_t& pos, Word& word, uint64_t limit) {
  size_t size = text.size();
  bool valid = true;
  while (pos < size) {
    auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      if (!ascii_white(b)) break;
      ++pos;
      continue;
    }
    size_t next = pos;
    if (!is_white(decode(text, next, valid))) break;
    pos = next;
  }
  if (pos >= size) return false;

  word = Word{pos, pos, 0, true};
  while (pos < size) {  // word.chars <= limit here
    uint64_t room = limit - word.chars;
    size_t stop = size - pos > room ? pos + room + 1 : size;
    size_t run = pos;
    while (run < stop && is_plain(text[run])) ++run;
    if (run > pos) {
      if (run - pos > room) {
        pos = run;
        word.chars = limit + 1;
        break;
      }
      word.chars += run - pos;
      pos = run;
      continue;
    }
    if (static_cast<unsigned char>(text[pos]) < 0x80) break;  // ASCII whitespace
    size_t next = pos;
    if (is_white(decode(text, next, word.valid))) break;
    pos = next;
    if (++word.chars > limit) break;
  }
  word.end = pos;
  return true;
}

void append_word(std::string_view text, const Word& word, std::string& out) {
  std::string_view bytes = text.substr(word.begin, word.end - word.begin);
  if (word.valid) {
    out.append(bytes);
    return;
  }
  for (size_t i = 0; i < bytes.size();) {
    size_t start = i;
    bool valid = true;
    char32_t c = decode(bytes, i, valid);
    if (valid)
      out.append(bytes.substr(start, i - start));
    else
      unicode::append_utf8(c, out);
  }
}

bool has_numeric(std::string_view text) {
  bool valid = true;
  for (size_t i = 0; i < text.size();)
    if (is_numeric(decode(text, i, valid))) return true;
  return false;
}

uint64_t count_chars(std::string_view text) {
  uint64_t count = 0;
  for (char b : text) count += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
  return count;
}

size_t offset_after(std::string_view text, uint64_t n) {
  size_t i = 0;
  for (bool valid = true; n > 0 && i < text.size(); --n) decode(text, i, valid);
  return i;
}

namespace {

// One pass that copies characters and turns each run of whitespace between
// them into one space; the result is never longer than the text. False, and
// nothing useful in `out`, when the text is not well-formed.
bool normalise_valid(std::string_view text, std::string& out, uint64_t& chars) {
  out.assign(text.size(), '\0');
  char* const begin = out.data();
  char* o = begin;
  bool space = false;  // whitespace seen since the last character kept
  bool valid = true;
  chars = 0;
  auto keep = [&](size_t from, size_t to, uint64_t n) {
    if (space) {
      *o++ = ' ';
      ++chars;
      space = false;
    }
    std::memcpy(o, text.data() + from, to - from);
    o += to - from;
    chars += n;
  };
  for (size_t i = 0; i < text.size();) {
    size_t run = i;
    while (run < text.size() && is_plain(text[run])) ++run;
    if (run > i) {
      keep(i, run, run - i);
      i = run;
      continue;
    }
    size_t start = i;
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      space = o != begin;
    } else if (is_white(decode(text, i, valid))) {
      space = o != begin;
    } else if (!valid) {
      return false;
    } else {
      keep(start, i, 1);
    }
  }
  out.resize(static_cast<size_t>(o - begin));
  return true;
}

}  // namespace

std::string normalised(std::string_view text, uint64_t& chars) {
  std::string out;
  if (!normalise_valid(text, out, chars))
    normalise_valid(unicode::replace_invalid_utf8(text), out, chars);
  return out;
}

std::string normalised_head(std::string_view text, uint64_t limit, uint64_t& chars) {
  std::string out;
  chars = 0;
  size_t pos = 0;
  Word word;
  while (chars <= limit && next_word(text, pos, word, limit - chars)) {
    if (chars > 0) {
      out += ' ';
      ++chars;
    }
    append_word(text, word, out);
    chars += word.chars;
  }
  return out;
}

namespace {

bool continuation(char b) { return (static_cast<unsigned char>(b) & 0xC0) == 0x80; }

// Whether decoding from the start of `text` has a character boundary at
// byte `p`: a byte that is not a continuation byte always begins a
// character, and so does one after three continuation bytes (no sequence is
// longer than four bytes, and a stray continuation byte stands alone).
bool boundary(std::string_view text, size_t p) {
  if (p == 0 || p >= text.size() || !continuation(text[p])) return true;
  return p >= 3 && continuation(text[p - 1]) && continuation(text[p - 2]) &&
         continuation(text[p - 3]);
}

}  // namespace

std::string normalised_tail(std::string_view text, uint64_t want) {
  // Each character of the normalised text takes at least one byte, so a
  // window of `want` bytes (and one more word's worth) is tried first; it
  // grows fourfold while whitespace or long characters leave it short.
  size_t window = want > text.size() / 4 ? text.size() : static_cast<size_t>(want) * 4 + 16;
  for (;;) {
    size_t start = window >= text.size() ? 0 : text.size() - window;
    while (!boundary(text, start)) --start;
    uint64_t chars = 0;
    std::string out = normalised(text.substr(start), chars);
    if (start == 0 || chars >= want) return out;
    window = window > text.size() / 4 ? text.size() : window * 4;
  }
}

}  // namespace screen_text
