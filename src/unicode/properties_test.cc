#include "unicode/properties.h"

#include <gtest/gtest.h>

namespace unicode {
namespace {

TEST(Properties, WhiteSpaceAlphabeticNumeric) {
  for (char32_t c : {U'\t', U'\n', U'\v', U'\f', U'\r', U' ', U'\u0085', U'\u00A0', U'\u1680',
                     U'\u2000', U'\u200A', U'\u2028', U'\u2029', U'\u202F', U'\u205F', U'\u3000'})
    EXPECT_TRUE(is_white_space(c)) << static_cast<uint32_t>(c);
  for (char32_t c : {U'a', U'\u200B', U'\uFEFF', U'\u180E', U'\0'})
    EXPECT_FALSE(is_white_space(c)) << static_cast<uint32_t>(c);

  for (char32_t c : {U'a', U'Z', U'\u00E9', U'\u03A9', U'\u4E2D', U'\u2160'})
    EXPECT_TRUE(is_alphabetic(c)) << static_cast<uint32_t>(c);
  for (char32_t c : {U'1', U' ', U'_', U'\u00B2'})
    EXPECT_FALSE(is_alphabetic(c)) << static_cast<uint32_t>(c);

  // Nd, Nl, No: digits, Roman numerals, superscripts and fractions.
  for (char32_t c : {U'0', U'9', U'\u0663', U'\u2160', U'\u00B2', U'\u00BD', U'\u2474'})
    EXPECT_TRUE(is_numeric(c)) << static_cast<uint32_t>(c);
  for (char32_t c : {U'a', U',', U'.', U'\u2026', U'$'})
    EXPECT_FALSE(is_numeric(c)) << static_cast<uint32_t>(c);
}

TEST(Properties, FullUpperCaseMapping) {
  EXPECT_EQ(to_upper_full(""), "");
  EXPECT_EQ(to_upper_full("con.txt$1"), "CON.TXT$1");
  EXPECT_EQ(to_upper_full("stra\u00DFe"), "STRASSE");        // one becomes two
  EXPECT_EQ(to_upper_full("\uFB01le"), "FILE");              // ligature fi
  EXPECT_EQ(to_upper_full("\u0149"), "\u02BCN");             // ŉ
  EXPECT_EQ(to_upper_full("i\u0131"), "II");                 // root locale: no dotted I
  EXPECT_EQ(to_upper_full("\u00E9t\u00E9"), "\u00C9T\u00C9");
  EXPECT_EQ(to_upper_full("com\u00B9"), "COM\u00B9");        // superscripts have no case
  EXPECT_EQ(to_upper_full("\U00010428"), "\U00010400");      // outside the BMP
}

TEST(Properties, TrimWhiteSpace) {
  EXPECT_EQ(trim_white_space(""), "");
  EXPECT_EQ(trim_white_space(" \t\n"), "");
  EXPECT_EQ(trim_white_space("\u00A0\u3000 a b\u2029\u00A0"), "a b");
  EXPECT_EQ(trim_white_space("\u200Bx\u200B"), "\u200Bx\u200B");  // zero width space is not white
  EXPECT_EQ(trim_white_space("\u00E9"), "\u00E9");
  EXPECT_EQ(trim_white_space("\U0001F600 "), "\U0001F600");
}

}  // namespace
}  // namespace unicode
