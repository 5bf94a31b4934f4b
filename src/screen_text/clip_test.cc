#include "screen_text/clip.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "screen_text/words.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace screen_text {
namespace {

using std::nullopt;
using std::optional;
using std::string;

optional<string> view(optional<std::string_view> v) {
  return v ? optional<string>(string(*v)) : nullopt;
}

TEST(Clip, Examples) {
  EXPECT_EQ(clip("  Hello   world  ", 50), "Hello world");
  EXPECT_EQ(clip("", 10), nullopt);
  EXPECT_EQ(clip(" \t\n\u00A0\u3000", 10), nullopt);
  EXPECT_EQ(clip("one two three", 7), "one two");
  EXPECT_EQ(clip("one two three", 6), "one");
  EXPECT_EQ(clip("one two three", 8), "one two");
  EXPECT_EQ(clip("supercalifragilistic", 5), nullopt);
  EXPECT_EQ(clip("total 1,234 items", 11), "total");
  EXPECT_EQ(clip("total 1,234 items", 9), "total");
  EXPECT_EQ(clip("version 2 is out", 16), "version 2 is out");
  EXPECT_EQ(clip("abc", 0), nullopt);
  EXPECT_EQ(clip("12 34 56 x", 8), nullopt);         // only number words before the cut
  EXPECT_EQ(clip("a\u00B2 b\u00BD c", 5), nullopt);  // superscript and fraction are numbers
  EXPECT_EQ(clip("Stage \u2166 ends", 7), "Stage");  // Roman numeral (Nl)
  EXPECT_EQ(clip("\u00A0a\u3000b\u2028c\t\u0085d\r\n", 10), "a b c d");
  EXPECT_EQ(clip("\u200Bzero\u200Bwidth", 20), "\u200Bzero\u200Bwidth");  // not whitespace
  EXPECT_EQ(clip("\u00E9t\u00E9 \u4E2D\u6587 \U0001F600x", 6), "\u00E9t\u00E9 \u4E2D\u6587");
  EXPECT_EQ(clip("\u00E9t\u00E9 \u4E2D\u6587 \U0001F600x", 5), "\u00E9t\u00E9");
}

TEST(AfterCut, Examples) {
  EXPECT_EQ(view(after_cut("llo world")), "world");
  EXPECT_EQ(view(after_cut("word")), nullopt);
  EXPECT_EQ(view(after_cut("lo 12 34 next")), "next");
  EXPECT_EQ(view(after_cut("lo 12")), nullopt);
  EXPECT_EQ(view(after_cut(" world")), "world");
  EXPECT_EQ(view(after_cut("x   ")), nullopt);
  EXPECT_EQ(view(after_cut("ab\u3000\u00A0cd  ef ")), "cd  ef ");  // a suffix, not normalised
  EXPECT_EQ(view(after_cut("ab \u00BDcup sugar")), "sugar");
}

TEST(BothEnds, Examples) {
  string word(300, 'w');
  word.replace(0, 1, "A");
  word.replace(299, 1, "Z");
  EXPECT_EQ(both_ends(word, 200), word.substr(0, 100) + " \u2026 " + word.substr(200));
  EXPECT_EQ(both_ends(" exactly  ten ", 11), "exactly ten");
  EXPECT_EQ(both_ends("", 10), nullopt);
  EXPECT_EQ(both_ends("\t \u00A0", 10), nullopt);
  EXPECT_EQ(both_ends("ab cd", 0), nullopt);
  EXPECT_EQ(both_ends("ab cd", 1), nullopt);
  // The tail starts inside a word: that piece is dropped.
  EXPECT_EQ(both_ends("aaa bbb ccc ddd", 8), "aaa \u2026 ddd");
  // The tail starts at a word: the word stays.
  EXPECT_EQ(both_ends("aaa bbb ccc ddd", 6), "aaa \u2026 ddd");
  EXPECT_EQ(both_ends("aaa bbb ccc ddd", 14), "aaa bbb \u2026 ccc ddd");
  EXPECT_EQ(both_ends("alpha beta gamma delta epsilon", 12), "alpha \u2026 psilon");
  // Nothing whole fits at one end.
  EXPECT_EQ(both_ends("aaaa bbbbbbbbbbbbb 12", 8), "aaaa \u2026");
  EXPECT_EQ(both_ends("a bbbbbbbbbbbbbbbbbb", 8), "a \u2026 bbbb");
  // A cut number word is dropped where words are cut at spaces; a slice
  // that is one long word is kept as it is, digits and all, so that a long
  // file name or path still shows both its ends.
  EXPECT_EQ(both_ends("1234567890 abc", 6), "123 \u2026 abc");
  EXPECT_EQ(both_ends("abc 1234567890", 6), "abc \u2026 890");
  EXPECT_EQ(both_ends("x1234567890y", 6), "x12 \u2026 90y");
  EXPECT_EQ(both_ends("123 456 789 012", 8), nullopt);
  EXPECT_EQ(both_ends("123456 abcdefgh 654321", 12), "123456 \u2026");
  string name = "2024-report-" + string(300, 'q') + "-v2.pdf";
  EXPECT_EQ(both_ends(name, 200), name.substr(0, 100) + " \u2026 " + name.substr(name.size() - 100));
  string path = "/Users/me/Projects/2025/" + string(500, 'p') + "/notes-v3.txt";
  EXPECT_EQ(both_ends(path, 500), path.substr(0, 250) + " \u2026 " + path.substr(path.size() - 250));
}

TEST(Clip, IllFormedInputReadsAsReplacementCharacters) {
  EXPECT_EQ(clip("ab\xFF" "cd ef", 50), "ab\uFFFDcd ef");
  EXPECT_EQ(clip("\xE2\x82", 5), "\uFFFD");            // truncated at the end
  EXPECT_EQ(clip("\xF0\x9F\x98 x", 5), "\uFFFD x");    // one subpart, one character
  EXPECT_EQ(clip("\xED\xA0\x80", 5), "\uFFFD\uFFFD\uFFFD");  // surrogate: three subparts
  EXPECT_EQ(clip("\xC2\xA0" "a\xC2", 5), "a\uFFFD");
  EXPECT_EQ(both_ends("\xFF\xFE\xFD\xFC", 2), "\uFFFD \u2026 \uFFFD");
  EXPECT_EQ(view(after_cut("\xFF y")), "y");
  EXPECT_EQ(view(after_cut("y \xC3")), nullopt);  // the rest cannot be returned as it is
  EXPECT_EQ(view(after_cut("y 1\xC3 z")), "z");
}

TEST(Words, FastClassesAgreeWithTheUnicodeLibrary) {
  for (char32_t c = 0; c < 0x80; ++c) {
    EXPECT_EQ(is_white(c), unicode::is_white_space(c)) << static_cast<int>(c);
    EXPECT_EQ(is_numeric(c), unicode::is_numeric(c)) << static_cast<int>(c);
    EXPECT_EQ(is_alphabetic(c), unicode::is_alphabetic(c)) << static_cast<int>(c);
  }
  for (char32_t c = 0x80; c < 0x10000; ++c)
    ASSERT_EQ(is_white(c), unicode::is_white_space(c)) << static_cast<int>(c);
  for (char32_t c : {U'\U00010000', U'\U0001F600', U'\U000E0020', U'\U0010FFFF'})
    EXPECT_FALSE(is_white(c));
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(is_plain(static_cast<char>(b)), b < 0x80 && !unicode::is_white_space(b)) << b;
}

// --- Properties over generated texts -------------------------------------

// The normalised form, written independently of the code under test.
std::vector<string> words_of(const string& text) {
  std::vector<string> words(1);
  for (size_t i = 0; i < text.size();) {
    size_t start = i;
    if (unicode::is_white_space(unicode::next_scalar(text, i))) {
      if (!words.back().empty()) words.emplace_back();
    } else {
      words.back() += text.substr(start, i - start);
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

string join(const std::vector<string>& words) {
  string out;
  for (const string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

uint64_t chars(const string& s) {
  uint64_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) unicode::next_scalar(s, i);
  return n;
}

bool numeric_word(const string& w) {
  for (size_t i = 0; i < w.size();)
    if (unicode::is_numeric(unicode::next_scalar(w, i))) return true;
  return false;
}

// The cutting rule step by step on byte offsets of the normalised text.
optional<string> reference_clip(const string& text, uint64_t max) {
  string t = join(words_of(text));
  if (chars(t) <= max) return t.empty() ? nullopt : optional<string>(t);
  size_t n = 0;
  for (uint64_t k = 0; k < max; ++k) unicode::next_scalar(t, n);
  size_t cut = n;
  if (t[n] != ' ') {
    cut = t.rfind(' ', n);
    if (cut == string::npos) return nullopt;
  }
  for (;;) {
    size_t space = t.rfind(' ', cut == 0 ? 0 : cut - 1);
    size_t start = space == string::npos || space >= cut ? 0 : space + 1;
    if (cut == 0 || !numeric_word(t.substr(start, cut - start))) break;
    cut = start;
    while (cut > 0 && t[cut - 1] == ' ') --cut;
  }
  if (cut == 0) return nullopt;
  return t.substr(0, cut);
}

// `after_cut` step by step.
optional<string> reference_after_cut(const string& text) {
  auto white_at = [&](size_t i, size_t& next) {
    next = i;
    return unicode::is_white_space(unicode::next_scalar(text, next));
  };
  size_t i = 0, next = 0;
  while (i < text.size() && !white_at(i, next)) i = next;
  if (i >= text.size()) return nullopt;
  i = next;
  for (;;) {
    while (i < text.size() && white_at(i, next)) i = next;
    if (i >= text.size()) return nullopt;
    size_t end = i;
    while (end < text.size() && !white_at(end, next)) end = next;
    if (!numeric_word(text.substr(i, end - i))) return text.substr(i);
    i = end;
  }
}

// `both_ends` step by step on the whole normalised text.
optional<string> reference_both_ends(const string& text, uint64_t max) {
  string t = join(words_of(text));
  uint64_t count = chars(t);
  if (count <= max) return t.empty() ? nullopt : optional<string>(t);
  uint64_t half = max / 2;
  if (half == 0) return nullopt;
  auto offset = [&](uint64_t n) {
    size_t i = 0;
    for (uint64_t k = 0; k < n; ++k) unicode::next_scalar(t, i);
    return i;
  };
  string head = t.substr(0, offset(half));
  if (head.find(' ') != string::npos) head = reference_clip(t, half).value_or("");
  size_t tail_start = offset(count - half);
  if (tail_start > 0 && t[tail_start - 1] == ' ') --tail_start;
  string tail = t.substr(tail_start);
  if (tail.find(' ') != string::npos) tail = reference_after_cut(tail).value_or("");
  if (head.empty() && tail.empty()) return nullopt;
  string out = head + " \u2026 " + tail;
  size_t first = out.find_first_not_of(' '), last = out.find_last_not_of(' ');
  return out.substr(first, last - first + 1);
}

const std::vector<string> kPieces = {
    "the", "Quick", "brown", "fox", "a", "I", "jumps-over", "e\u0301t\u00E9", "na\u00EFve",
    "\u041F\u0440\u0438\u0432\u0435\u0442", "\u4E2D\u6587\u5B57", "\u05E9\u05DC\u05D5\u05DD",
    "\u03B5\u03BB\u03BB\u03B7\u03BD", "\U0001F600", "\U0001F44D\U0001F3FD", "\u200B", ".",
    "!?", "(x)", "1", "42", "1,234", "3.14", "x\u00B2", "\u00BD", "\u2166", "\u0663\u0661",
    "v2", "\u00B9\u00B2\u00B3", "2026-01-01", "\U0001D7D8", "\uFFFD",
};
const std::vector<string> kSpaces = {" ", " ", " ", "  ", "\t", "\n", "\r\n", "\u00A0",
                                     "\u3000", "\u2028", "\u0085", "\u2003", "\u202F"};

string generate(std::mt19937& rng) {
  std::uniform_int_distribution<int> count(0, rng() % 8 == 0 ? 200 : 24);
  string text;
  int n = count(rng);
  if (rng() % 4 == 0) text += kSpaces[rng() % kSpaces.size()];
  for (int k = 0; k < n; ++k) {
    text += kPieces[rng() % kPieces.size()];
    if (rng() % 5 == 0) text += kPieces[rng() % kPieces.size()];  // glued pieces
    if (k + 1 < n || rng() % 4 == 0) text += kSpaces[rng() % kSpaces.size()];
    if (rng() % 40 == 0) {  // a long run of whitespace, as in padded layouts
      for (int r = 1 + static_cast<int>(rng() % 300); r > 0; --r)
        text += kSpaces[rng() % kSpaces.size()];
    }
  }
  return text;
}

// Every word of `out` that holds a number is a whole word of the text.
void expect_numbers_whole(const string& out, const std::set<string>& words,
                          const string& text) {
  for (const string& w : words_of(out))
    if (numeric_word(w)) {
      EXPECT_TRUE(words.count(w)) << "'" << w << "' of '" << text << "'";
    }
}

TEST(Clip, PropertiesOverGeneratedTexts) {
  std::mt19937 rng(20260101);
  for (int round = 0; round < 6000; ++round) {
    string text = generate(rng);
    std::vector<string> words = words_of(text);
    std::set<string> word_set(words.begin(), words.end());
    string t = join(words);
    uint64_t max = rng() % 4 == 0 ? rng() % 400 : rng() % 40;

    optional<string> c = clip(text, max);
    ASSERT_EQ(c, reference_clip(text, max)) << "'" << text << "' " << max;
    if (c) {
      ASSERT_TRUE(unicode::valid_utf8(*c));
      EXPECT_LE(chars(*c), max);
      ASSERT_EQ(t.compare(0, c->size(), *c), 0);
      EXPECT_TRUE(c->size() == t.size() || t[c->size()] == ' ');
      expect_numbers_whole(*c, word_set, text);
    }

    optional<string> b = both_ends(text, max);
    ASSERT_EQ(b, reference_both_ends(text, max)) << "'" << text << "' " << max;
    if (chars(t) > max && b) {
      ASSERT_TRUE(unicode::valid_utf8(*b));
      EXPECT_LE(chars(*b), 2 * (max / 2) + 3) << "'" << text << "' " << max;
      EXPECT_NE(b->find("\u2026"), string::npos);
    }

    optional<std::string_view> a = after_cut(text);
    if (a) {
      ASSERT_TRUE(unicode::valid_utf8(*a));
      ASSERT_GT(text.size(), a->size());
      EXPECT_EQ(text.substr(text.size() - a->size()), *a);
      size_t first = 0;
      EXPECT_FALSE(unicode::is_white_space(unicode::next_scalar(*a, first)));
      size_t end = 0;
      while (end < a->size()) {
        size_t next = end;
        if (unicode::is_white_space(unicode::next_scalar(*a, next))) break;
        end = next;
      }
      EXPECT_FALSE(numeric_word(string(a->substr(0, end))));
    }
  }
}

TEST(Clip, IllFormedTextsBehaveAsTheirReplacement) {
  std::mt19937 rng(7);
  const string bad[] = {"\xFF", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xED\xA0\x80",
                        "\xC0\xAF", "\x80", "\xF4\x90\x80\x80"};
  for (int round = 0; round < 3000; ++round) {
    string text = generate(rng);
    for (int k = rng() % 4; k >= 0; --k)
      text.insert(rng() % (text.size() + 1), bad[rng() % std::size(bad)]);
    string fixed = unicode::replace_invalid_utf8(text);
    uint64_t max = rng() % 60;
    optional<string> c = clip(text, max);
    ASSERT_EQ(c, clip(fixed, max)) << max;
    if (c) {
      ASSERT_TRUE(unicode::valid_utf8(*c));
    }
    optional<string> b = both_ends(text, max);
    ASSERT_EQ(b, both_ends(fixed, max)) << max;
    if (b) {
      ASSERT_TRUE(unicode::valid_utf8(*b));
    }
    optional<std::string_view> a = after_cut(text);
    if (a) {
      ASSERT_TRUE(unicode::valid_utf8(*a));
      EXPECT_EQ(*a, after_cut(fixed).value_or("-"));
    }
  }
}

// A long text read only near its ends: whenever the two pieces are enough,
// the answer is the whole text's, also when a piece's cut edge broke a
// character (read as U+FFFD); and for long texts they usually are enough.
TEST(BothEnds, FromTheEndsOfALongTextAsFromTheWhole) {
  std::mt19937 rng(4242);
  int answered = 0, long_texts = 0;
  for (int round = 0; round < 4000; ++round) {
    string text;
    for (int k = 1 + static_cast<int>(rng() % 6); k > 0; --k) text += generate(rng) + " ";
    uint64_t max = rng() % 3 == 0 ? rng() % 300 : rng() % 40;
    std::vector<size_t> starts;  // byte offset of each character
    for (size_t i = 0; i < text.size(); unicode::next_scalar(text, i)) starts.push_back(i);
    size_t n = starts.size();
    size_t a = n == 0 ? 0 : rng() % (n + 1), b = n == 0 ? 0 : a + rng() % (n - a + 1);
    if (rng() % 2 == 0 && n > 8 * max + 64) {  // the pieces the platform side reads
      a = 4 * max + 64;
      b = n - (4 * max + 64);
      ++long_texts;
    }
    auto at = [&](size_t c) { return c < n ? starts[c] : text.size(); };
    string head = text.substr(0, at(a)), tail = text.substr(at(b));
    if (rng() % 3 == 0 && !head.empty()) head.replace(at(a - 1), string::npos, "\uFFFD");
    if (rng() % 3 == 0 && !tail.empty()) tail.replace(0, at(b + 1) - at(b), "\uFFFD");
    optional<optional<string>> shown = both_ends_of_ends(head, tail, max);
    if (!shown) continue;
    ++answered;
    ASSERT_EQ(*shown, both_ends(text, max)) << "'" << text << "' " << max << " " << a << " " << b;
  }
  EXPECT_GT(long_texts, 100);
  EXPECT_GT(answered, long_texts / 2);
}

}  // namespace
}  // namespace screen_text
