// The two strict JSON readers, json::parse_strictly (builds values) and
// inspect::Cursor (walks in place), on many generated texts: valid JSON, and
// valid JSON with one fault put in. They must take and refuse the same
// texts. The one intended difference: an integer beyond 64 bits is refused
// by parse_strictly (the desktop and command values keep integers exact) and
// taken as a double by the cursor (inspect requests read numbers as doubles
// unless they fit an integer).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "inspect/cursor.h"
#include "json/strict.h"

namespace {

bool cursor_takes(const std::string& text) {
  inspect::Cursor cursor(text);
  cursor.skip_white_space();
  if (!cursor.skip_value()) return false;
  cursor.skip_white_space();
  return cursor.at_end();
}

bool strict_takes(const std::string& text) {
  json::Value value;
  return json::parse_strictly(text, &value).empty();
}

enum class Fault {
  None,
  Nul,            // a NUL byte between tokens or inside a string
  ByteOrderMark,  // at the start
  HugeInteger,    // an integer beyond [-2^63, 2^64 - 1], within a double
  HugeDouble,     // a number beyond the largest double
  TrailingGarbage,
  LoneSurrogate,  // a \u escape of half a surrogate pair
  RawControl,     // a control character inside a string
  Unclosed,       // deep nesting that never closes
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}

  // A valid text; the value at slot `inject` (counted in order of writing)
  // is `injected` instead, when given.
  std::string text(const std::string& injected = "") {
    injected_ = injected;
    slot_ = 0;
    inject_at_ = injected.empty() ? -1 : static_cast<int>(below(6));
    std::string out;
    space(out);
    value(out, 0);
    space(out);
    if (inject_at_ >= slot_) {  // fewer slots than drawn: inject at the end
      out = "[" + out + "," + injected_ + "]";
    }
    return out;
  }

  uint32_t below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random_); }

 private:
  void space(std::string& out) {
    static const char* kSpaces[] = {"", "", " ", "\n", "\t ", "\r\n  "};
    out += kSpaces[below(6)];
  }

  void number(std::string& out) {
    static const char* kNumbers[] = {
        "0", "-0", "7", "-12", "18446744073709551615", "-9223372036854775808",
        "3.25", "-0.5e-3", "1E+2", "6.02e23", "1e-400", "1.7976931348623157e308", "0.0"};
    out += kNumbers[below(13)];
  }

  void string(std::string& out) {
    static const char* kPieces[] = {"a", "\\\"", "\\\\", "\\/", "\\n", "\\u00e9", "\\ud83d\\ude00",
                                    "\\uD83D\\uDE00", "\xC3\xA9", "\xF0\x9F\x98\x80", "\\u0000",
                                    " ", "\\b\\f\\r\\t", "123"};
    out += '"';
    for (uint32_t n = below(5); n > 0; --n) out += kPieces[below(14)];
    out += '"';
  }

  void value(std::string& out, int depth) {
    if (slot_++ == inject_at_) {
      out += injected_;
      return;
    }
    uint32_t kind = below(depth > 4 ? 5 : 7);
    switch (kind) {
      case 0: out += below(2) ? "true" : "false"; break;
      case 1: out += "null"; break;
      case 2: number(out); break;
      case 3:
      case 4: string(out); break;
      case 5: {
        out += '[';
        space(out);
        for (uint32_t n = below(4), i = 0; i < n; ++i) {
          if (i) out += ',';
          space(out);
          value(out, depth + 1);
          space(out);
        }
        out += ']';
        break;
      }
      default: {
        out += '{';
        space(out);
        for (uint32_t n = below(4), i = 0; i < n; ++i) {
          if (i) out += ',';
          space(out);
          string(out);
          space(out);
          out += ':';
          space(out);
          value(out, depth + 1);
          space(out);
        }
        out += '}';
        break;
      }
    }
  }

  std::mt19937 random_;
  std::string injected_;
  int slot_ = 0;
  int inject_at_ = -1;
};

// `text` with `fault` put in.
std::string with_fault(Generator& g, Fault fault) {
  switch (fault) {
    case Fault::None: {
      if (g.below(10) != 0) return g.text();
      uint32_t depth = 1 + g.below(20000);  // deep, and closed
      std::string open = g.below(2) ? "[" : "{\"k\":";
      std::string close = open == "[" ? "]" : "}";
      std::string text;
      for (uint32_t i = 0; i < depth; ++i) text += open;
      text += g.text();
      for (uint32_t i = 0; i < depth; ++i) text += close;
      return text;
    }
    case Fault::Nul: {
      std::string text = g.text();
      // Never inside a UTF-8 sequence: the cursor reads valid UTF-8 only.
      size_t at = g.below(static_cast<uint32_t>(text.size() + 1));
      while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
      text.insert(at, 1, '\0');
      return text;
    }
    case Fault::ByteOrderMark:
      return "\xEF\xBB\xBF" + g.text();
    case Fault::HugeInteger: {
      static const char* kHuge[] = {"18446744073709551616", "-9223372036854775809",
                                    "100000000000000000000000000000", "-99999999999999999999999",
                                    "0000"};  // the last: a leading zero, refused by both
      return g.text(kHuge[g.below(5)]);
    }
    case Fault::HugeDouble: {
      static const char* kHuge[] = {"1e400", "-1.8e308", "1797693134862315807937289714053034150799"
                                    "34132710037826936173778980444968292764750946649017977587207"
                                    "09633028641669288791094655554785194040263065748867150582068"
                                    "19089020007083836762738548458177115317644757302700698555713"
                                    "66959622842914819860834936475292719074168444365510704342711"
                                    "559699508093042880177904174497792"};
      return g.text(kHuge[g.below(3)]);
    }
    case Fault::TrailingGarbage: {
      static const char* kGarbage[] = {"x", "]", "}", ",", "1", "\"s\"", "null", "{}", "// c"};
      return g.text() + " " + kGarbage[g.below(9)];
    }
    case Fault::LoneSurrogate: {
      static const char* kLone[] = {"\"\\ud800\"", "\"a\\udc00b\"", "\"\\ud83d\\u0041\"",
                                    "\"\\udbff\"", "\"\\ud800\\ud800\""};
      return g.text(kLone[g.below(5)]);
    }
    case Fault::RawControl: {
      static const char* kRaw[] = {"\"a\tb\"", "\"\n\"", "\"\x1F\"", "\"\x01x\""};
      return g.text(kRaw[g.below(4)]);
    }
    case Fault::Unclosed: {
      uint32_t depth = 1 + g.below(20000);
      return std::string(depth, '[') + g.text() + std::string(depth - 1, ']');
    }
  }
  return "";
}

TEST(StrictReaders, ParseStrictlyAndTheCursorAgreeOnGeneratedTexts) {
  const Fault faults[] = {Fault::None,         Fault::Nul,          Fault::ByteOrderMark,
                          Fault::HugeInteger,  Fault::HugeDouble,   Fault::TrailingGarbage,
                          Fault::LoneSurrogate, Fault::RawControl,  Fault::Unclosed};
  Generator g(20261210);
  int taken = 0;
  for (int round = 0; round < 400; ++round) {
    for (Fault fault : faults) {
      std::string text = with_fault(g, fault);
      bool strict = strict_takes(text);
      bool cursor = cursor_takes(text);
      std::string shown = text.size() > 200 ? text.substr(0, 200) + "..." : text;
      if (fault == Fault::HugeInteger && cursor) {
        // The intended difference.
        EXPECT_FALSE(strict) << shown;
        continue;
      }
      EXPECT_EQ(strict, cursor) << shown;
      EXPECT_EQ(strict, fault == Fault::None) << shown;
      taken += strict;
      if (HasFailure()) return;
    }
  }
  EXPECT_EQ(taken, 400);
}

}  // namespace
