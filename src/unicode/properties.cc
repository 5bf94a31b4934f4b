// Character data comes from ICU. Case mapping uses the root locale, so the
// result never depends on the user's language settings (no Turkish dotted I).
#include "unicode/properties.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <vector>

#include "unicode/utf8.h"

namespace unicode {

bool is_white_space(char32_t c) {
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE);
}

bool is_alphabetic(char32_t c) {
  return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool is_numeric(char32_t c) {
  int8_t category = u_charType(static_cast<UChar32>(c));
  return category == U_DECIMAL_DIGIT_NUMBER || category == U_LETTER_NUMBER ||
         category == U_OTHER_NUMBER;
}

std::string to_upper_full(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    std::string out(utf8);
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
  }

  // UTF-8 to UTF-16, upper-case in UTF-16, back to UTF-8. The only errors
  // left on valid input are buffer sizes, which the pre-flights settle.
  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> units(utf8.size() + 1);
  int32_t count = 0;
  u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &count, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) return std::string(utf8);

  std::vector<UChar> upper(static_cast<size_t>(count) + 16);
  status = U_ZERO_ERROR;
  int32_t upper_count = u_strToUpper(upper.data(), static_cast<int32_t>(upper.size()),
                                     units.data(), count, "", &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    upper.resize(static_cast<size_t>(upper_count) + 1);
    status = U_ZERO_ERROR;
    upper_count = u_strToUpper(upper.data(), static_cast<int32_t>(upper.size()),
                               units.data(), count, "", &status);
  }
  if (U_FAILURE(status)) return std::string(utf8);
  return utf16_to_utf8(std::u16string_view(
      reinterpret_cast<const char16_t*>(upper.data()), static_cast<size_t>(upper_count)));
}

std::string_view trim_white_space(std::string_view utf8) {
  size_t begin = 0;
  while (begin < utf8.size()) {
    size_t next = begin;
    if (!is_white_space(next_scalar(utf8, next))) break;
    begin = next;
  }
  size_t end = utf8.size();
  while (end > begin) {
    size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) --start;
    size_t after = start;
    if (!is_white_space(next_scalar(utf8, after))) break;
    end = start;
  }
  return utf8.substr(begin, end - begin);
}

}  // namespace unicode
