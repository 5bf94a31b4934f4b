#include "json/strict.h"

namespace json {
namespace {

bool digits_above(std::string_view digits, std::string_view limit) {
  if (digits.size() != limit.size()) return digits.size() > limit.size();
  return digits > limit;
}

// True when an integer token (no fraction, no exponent) lies outside
// [-2^63, 2^64 - 1]. Strings are skipped; the scan is one pass.
bool has_integer_beyond_64_bits(std::string_view text) {
  bool in_string = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      in_string = true;
      continue;
    }
    if (c != '-' && (c < '0' || c > '9')) continue;
    size_t end = i;
    bool integer = true;
    while (end < text.size() &&
           (text[end] == '-' || text[end] == '+' || text[end] == '.' ||
            text[end] == 'e' || text[end] == 'E' ||
            (text[end] >= '0' && text[end] <= '9'))) {
      integer &= text[end] != '.' && text[end] != 'e' && text[end] != 'E';
      ++end;
    }
    std::string_view token = text.substr(i, end - i);
    i = end - 1;
    if (!integer) continue;
    bool negative = token.front() == '-';
    std::string_view digits = token.substr(negative ? 1 : 0);
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    if (negative ? digits_above(digits, "9223372036854775808")
                 : digits_above(digits, "18446744073709551615")) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string parse_strictly(std::string_view text, Value* out, Expect expect) {
  if (text.find('\0') != std::string_view::npos) {
    return "not valid JSON (a NUL byte)";
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    return "not valid JSON (a byte-order mark)";
  }
  if (expect == Expect::String) {
    // Nothing but a string is built.
    size_t start = text.find_first_not_of(" \t\n\r");
    if (start == std::string_view::npos || text[start] != '"') return "not a JSON string";
  }
  *out = Value::parse(text, nullptr, /*allow_exceptions=*/false);
  if (out->is_discarded()) return "not valid JSON";
  // A string holds no number tokens.
  if (!out->is_string() && has_integer_beyond_64_bits(text)) {
    return "an integer beyond the 64-bit range";
  }
  return "";
}

}  // namespace json
