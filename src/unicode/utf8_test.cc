#include "unicode/utf8.h"

#include <gtest/gtest.h>

#include <random>

namespace unicode {
namespace {

TEST(Utf8, ValidityFollowsTheWellFormedTable) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii text, long enough for the word loop", true},
      {"\xC3\xA9", true},                // é
      {"\xE2\x80\xA6", true},            // …
      {"\xF0\x9F\x98\x80", true},        // emoji
      {"\xF4\x8F\xBF\xBF", true},        // U+10FFFF
      {"\xEF\xBF\xBF", true},            // U+FFFF, a noncharacter but well formed
      {std::string("a\0b", 3), true},    // NUL is a character
      {"\xC0\x80", false},               // overlong NUL
      {"\xC1\xBF", false},               // overlong
      {"\xE0\x9F\xBF", false},           // overlong three-byte
      {"\xF0\x8F\xBF\xBF", false},       // overlong four-byte
      {"\xED\xA0\x80", false},           // surrogate D800
      {"\xED\xBF\xBF", false},           // surrogate DFFF
      {"\xF4\x90\x80\x80", false},       // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xFF", false},
      {"\x80", false},                   // lone continuation
      {"\xC3", false},                   // cut at the end
      {"\xE2\x80", false},
      {"abcdefgh\xF0\x9F\x98", false},   // cut after an ASCII word
      {"abcdefg\x80", false},            // bad byte inside the last word
      {"\xC3\xA9\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(valid_utf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(Utf8, ReplacementUsesMaximalSubparts) {
  // The example of the Unicode standard, section 3.9.
  EXPECT_EQ(replace_invalid_utf8("\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"),
            "a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd");
  EXPECT_EQ(replace_invalid_utf8("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(replace_invalid_utf8("\xF0\x9F\x98"), "\uFFFD");              // cut at the end
  EXPECT_EQ(replace_invalid_utf8("ok \xC3\xA9"), "ok \xC3\xA9");
  EXPECT_EQ(replace_invalid_utf8(""), "");
}

TEST(Utf8, FromUtf16) {
  EXPECT_EQ(utf16_to_utf8(u"h\u00e9\u2026"), "h\xC3\xA9\xE2\x80\xA6");
  EXPECT_EQ(utf16_to_utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  // Unpaired surrogates: high at the end, high before a non-low, lone low.
  EXPECT_EQ(utf16_to_utf8(std::u16string{u'a', 0xD83D}), "a\uFFFD");
  EXPECT_EQ(utf16_to_utf8(std::u16string{0xD83D, u'b'}), "\uFFFDb");
  EXPECT_EQ(utf16_to_utf8(std::u16string{0xDE00, 0xD83D, 0xDE00}), "\uFFFD\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16_to_utf8(std::u16string(1, u'\0')), std::string(1, '\0'));
}

// The conversion against a plain reading of the rule, unit by unit, over
// generated unit sequences rich in surrogates, pairs and range edges.
TEST(Utf8, FromUtf16AgreesWithTheRuleOnGeneratedUnits) {
  auto reference = [](const std::u16string& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
      char32_t u = units[i];
      bool high = u >= 0xD800 && u <= 0xDBFF;
      bool low_next = i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
      if (high && low_next) {
        append_utf8(0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00), out);
      } else if (u >= 0xD800 && u <= 0xDFFF) {
        out += "\uFFFD";
      } else {
        append_utf8(u, out);
      }
    }
    return out;
  };
  const char16_t edges[] = {0x0000, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF, 0xD800, 0xDBFF,
                            0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF, u'a', u' '};
  std::mt19937 rng(1616);
  for (int round = 0; round < 20000; ++round) {
    std::u16string units(rng() % 24, u'\0');
    for (char16_t& u : units) {
      u = rng() % 2 ? edges[rng() % std::size(edges)] : static_cast<char16_t>(rng());
    }
    std::string out = utf16_to_utf8(units);
    ASSERT_EQ(out, reference(units)) << round;
    ASSERT_TRUE(valid_utf8(out));
  }
}

// Every scalar value survives UTF-8 -> UTF-16 -> UTF-8 unchanged; the UTF-8
// forms of surrogates and every ill-formed sequence are refused whole, and
// so are unpaired surrogates on the way back.
TEST(Utf8, StrictConversionsBothWays) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    std::string bytes = "x";
    append_utf8(c, bytes);
    auto units = utf8_to_utf16(bytes);
    if (c >= 0xD800 && c <= 0xDFFF) {
      ASSERT_FALSE(units) << static_cast<uint32_t>(c);
      continue;
    }
    std::u16string want = u"x";
    append_utf16(c, want);
    ASSERT_EQ(units, want) << static_cast<uint32_t>(c);
    ASSERT_EQ(utf16_to_utf8_strict(*units), bytes) << static_cast<uint32_t>(c);
  }
  for (const char* bad : {"\xC0\x80", "\xE0\x9F\xBF", "\xF4\x90\x80\x80",
                          "\xF5\x80\x80\x80", "\x80", "ab\xC3", "\xE2\x80z"}) {
    EXPECT_FALSE(utf8_to_utf16(bad)) << testing::PrintToString(bad);
  }
  EXPECT_EQ(utf8_to_utf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_FALSE(utf16_to_utf8_strict(std::u16string{u'a', 0xD83D}));
  EXPECT_FALSE(utf16_to_utf8_strict(std::u16string{0xD83D, u'b'}));
  EXPECT_FALSE(utf16_to_utf8_strict(std::u16string{0xDE00, 0xD83D, 0xDE00}));
  EXPECT_EQ(utf16_to_utf8_strict(u""), "");
}

TEST(Utf8, NextScalarWalksEveryLength) {
  std::string text = "a\xC3\xA9\xE2\x80\xA6\xF0\x9F\x98\x80";
  size_t i = 0;
  EXPECT_EQ(next_scalar(text, i), U'a');
  EXPECT_EQ(next_scalar(text, i), U'\u00e9');
  EXPECT_EQ(next_scalar(text, i), U'\u2026');
  EXPECT_EQ(i, 6u);
  EXPECT_EQ(next_scalar(text, i), U'\U0001F600');
  EXPECT_EQ(i, text.size());
}

}  // namespace
}  // namespace unicode
