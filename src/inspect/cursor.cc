#include "inspect/cursor.h"

#include <algorithm>
#include <array>
#include <vector>

#include "unicode/utf8.h"

namespace inspect {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Bytes that stand for themselves inside a string: all but the control
// characters, the quotation mark and the backslash.
constexpr auto kPlainInString = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 256; ++c) plain[c] = c != '"' && c != '\\';
  return plain;
}();

// The least magnitude that rounds to infinity as a double, in full: the
// midpoint between the largest double and 2^1024, (2^54 - 1) * 2^970, which
// round-half-to-even sends up. 309 digits, so it is 0.d1d2... * 10^309.
constexpr std::string_view kOverflowDigits =
    "179769313486231580793728971405303415079934132710037826936173"
    "778980444968292764750946649017977587207096330286416692887910"
    "946555547851940402630657488671505820681908902000708383676273"
    "854845817711531764475730270069855571366959622842914819860834"
    "936475292719074168444365510704342711559699508093042880177904"
    "174497792";
constexpr int64_t kOverflowExponent = 309;

// Whether a number token (valid JSON) is too large in magnitude to be held
// as a double: whether its exact decimal value reaches kOverflowDigits. An
// exact comparison of digits, so it needs no conversion, no locale and no
// library's rounding, and is the same on every platform.
bool overflows_double(std::string_view token) {
  size_t i = token[0] == '-' ? 1 : 0;
  size_t e = std::min(token.find_first_of("eE"), token.size());
  // The digits of the mantissa without the point, and where the point was.
  std::string_view mantissa = token.substr(i, e - i);
  size_t point = std::min(mantissa.find('.'), mantissa.size());
  auto digit = [&](size_t k) { return mantissa[k < point ? k : k + 1]; };
  size_t count = mantissa.size() - (point < mantissa.size() ? 1 : 0);
  size_t first = 0;  // the first nonzero digit
  while (first < count && digit(first) == '0') ++first;
  if (first == count) return false;  // zero
  // The value is 0.D * 10^exponent, D the digits from the first nonzero one.
  int64_t exponent = static_cast<int64_t>(point) - static_cast<int64_t>(first);
  if (e < token.size()) {
    bool negative = token[e + 1] == '-';
    int64_t written = 0;  // saturates far beyond any decision
    for (size_t k = e + 1; k < token.size(); ++k)
      if (is_digit(token[k]) && written < 1000000000) written = written * 10 + (token[k] - '0');
    exponent += negative ? -written : written;
  }
  if (exponent != kOverflowExponent) return exponent > kOverflowExponent;
  // Same exponent: compare the digits as fractions. kOverflowDigits ends in a
  // nonzero digit, so D ending first is the smaller.
  for (size_t k = 0; k < kOverflowDigits.size(); ++k) {
    if (first + k == count) return false;
    char d = digit(first + k);
    if (d != kOverflowDigits[k]) return d > kOverflowDigits[k];
  }
  return true;
}

}  // namespace

bool Cursor::expect(char c) {
  if (peek() != c || at_end()) return false;
  ++pos_;
  return true;
}

bool Cursor::literal(std::string_view word) {
  if (text_.substr(pos_, word.size()) != word) return false;
  pos_ += word.size();
  return true;
}

bool Cursor::boolean(bool& out) {
  if (literal("true")) {
    out = true;
    return true;
  }
  out = false;
  return literal("false");
}

bool Cursor::number(Number& out) {
  out = Number{};
  size_t start = pos_;
  if (peek() == '-') {
    out.negative = true;
    ++pos_;
  }
  bool fits = true;
  uint64_t magnitude = 0;
  if (peek() == '0') {
    ++pos_;
  } else if (is_digit(peek())) {
    while (is_digit(peek())) {
      auto digit = static_cast<uint64_t>(peek() - '0');
      if (magnitude > (UINT64_MAX - digit) / 10) fits = false;
      magnitude = magnitude * 10 + digit;
      ++pos_;
    }
  } else {
    return false;
  }
  bool integer = true;
  if (peek() == '.') {
    ++pos_;
    if (!is_digit(peek())) return false;
    while (is_digit(peek())) ++pos_;
    integer = false;
  }
  if (peek() == 'e' || peek() == 'E') {
    ++pos_;
    if (peek() == '+' || peek() == '-') ++pos_;
    if (!is_digit(peek())) return false;
    while (is_digit(peek())) ++pos_;
    integer = false;
  }
  out.integer = integer && fits;
  out.magnitude = out.integer ? magnitude : 0;
  // Any other number is a double in the value model; one beyond its range
  // cannot be a value at all.
  return out.integer || !overflows_double(text_.substr(start, pos_ - start));
}

bool Cursor::hex4(uint32_t& out) {
  if (text_.size() - pos_ < 4) return false;
  out = 0;
  for (int i = 0; i < 4; ++i) {
    char c = text_[pos_++];
    uint32_t v;
    if (c >= '0' && c <= '9') v = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') v = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') v = static_cast<uint32_t>(c - 'A' + 10);
    else return false;
    out = out << 4 | v;
  }
  return true;
}

bool Cursor::escape(std::string* out) {
  if (at_end()) return false;
  char c = text_[pos_++];
  char plain;
  switch (c) {
    case '"': plain = '"'; break;
    case '\\': plain = '\\'; break;
    case '/': plain = '/'; break;
    case 'b': plain = '\b'; break;
    case 'f': plain = '\f'; break;
    case 'n': plain = '\n'; break;
    case 'r': plain = '\r'; break;
    case 't': plain = '\t'; break;
    case 'u': {
      uint32_t code;
      if (!hex4(code)) return false;
      if (code >= 0xDC00 && code <= 0xDFFF) return false;  // a low half alone
      if (code >= 0xD800 && code <= 0xDBFF) {
        uint32_t low;
        if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      }
      if (out) unicode::append_utf8(code, *out);
      return true;
    }
    default:
      return false;
  }
  if (out) *out += plain;
  return true;
}

bool Cursor::string(std::string& out) {
  if (!expect('"')) return false;
  size_t run = pos_;  // start of the bytes not yet copied
  for (;;) {
    while (pos_ < text_.size() && kPlainInString[static_cast<unsigned char>(text_[pos_])]) ++pos_;
    if (pos_ == text_.size() || (text_[pos_] != '"' && text_[pos_] != '\\')) return false;
    out.append(text_.substr(run, pos_ - run));
    if (text_[pos_++] == '"') return true;
    if (!escape(&out)) return false;
    run = pos_;
  }
}

bool Cursor::skip_string() {
  if (!expect('"')) return false;
  while (pos_ < text_.size()) {
    auto c = static_cast<unsigned char>(text_[pos_]);
    if (c == '"') {
      ++pos_;
      return true;
    }
    if (c < 0x20) return false;
    ++pos_;
    if (c == '\\' && !escape(nullptr)) return false;
  }
  return false;
}

bool Cursor::skip_value() {
  // The closing bracket of every container the cursor is inside.
  std::vector<char> open;
  for (;;) {
    // The cursor is on a value.
    char c = peek();
    if (c == '[' || c == '{') {
      ++pos_;
      open.push_back(c == '[' ? ']' : '}');
      skip_white_space();
      if (peek() != open.back()) {
        if (c == '{') {
          if (!skip_string()) return false;
          skip_white_space();
          if (!expect(':')) return false;
          skip_white_space();
        }
        continue;  // with the first element or member value
      }
      ++pos_;
      open.pop_back();
    } else if (c == '"') {
      if (!skip_string()) return false;
    } else if (c == '-' || is_digit(c)) {
      Number ignored;
      if (!number(ignored)) return false;
    } else if (!(literal("true") || literal("false") || literal("null"))) {
      return false;
    }
    // After a complete value: close containers until another value follows.
    for (;;) {
      if (open.empty()) return true;
      skip_white_space();
      if (peek() == open.back() && !at_end()) {
        ++pos_;
        open.pop_back();
        continue;
      }
      if (!expect(',')) return false;
      skip_white_space();
      if (open.back() == '}') {
        if (!skip_string()) return false;
        skip_white_space();
        if (!expect(':')) return false;
        skip_white_space();
      }
      break;
    }
  }
}

}  // namespace inspect
