#include "json/strict.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace json {
namespace {

std::string reason(std::string_view text, Expect expect = Expect::AnyValue) {
  Value out;
  return parse_strictly(text, &out, expect);
}

TEST(StrictJson, RefusesWhatTheParserAloneWouldTake) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string("{}\0garbage", 10), "not valid JSON (a NUL byte)"},
      {std::string("\"a\0b\"", 5), "not valid JSON (a NUL byte)"},
      {"\xEF\xBB\xBF{}", "not valid JSON (a byte-order mark)"},
      {R"({"flags": 18446744073709551616})", "an integer beyond the 64-bit range"},
      {"[-9223372036854775809]", "an integer beyond the 64-bit range"},
      {"100000000000000000000000000000", "an integer beyond the 64-bit range"},
      {"{} x", "not valid JSON"},
      {"[1,]", "not valid JSON"},
      {"/* c */ 1", "not valid JSON"},
      {R"(["\ud800"])", "not valid JSON"},
      {"1e400", "not valid JSON"},
      {"", "not valid JSON"},
  };
  for (const auto& [text, why] : cases) EXPECT_EQ(reason(text), why) << text;
}

TEST(StrictJson, TakesTheWholeRangeAndKeepsTheNumberKinds) {
  Value out;
  // Digits inside strings are not numbers, whatever quotes are escaped.
  ASSERT_EQ(parse_strictly(R"( {"u": 18446744073709551615, "i": -9223372036854775808,
      "d": 1e-400, "s": "99999999999999999999\"1", "e": "\u0000"} )",
                           &out),
            "");
  EXPECT_TRUE(out["u"].is_number_unsigned());
  EXPECT_EQ(out["i"].get<int64_t>(), INT64_MIN);
  EXPECT_TRUE(out["d"].is_number_float());
  EXPECT_EQ(out["e"].get<std::string>(), std::string(1, '\0'));
  std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_EQ(reason(deep), "");
}

TEST(StrictJson, ExpectingAStringRefusesAnyOtherValueBeforeBuildingIt) {
  for (const char* text : {R"("a")", " \t\r\n\"\\ud83d\\ude00\" ", R"("")"})
    EXPECT_EQ(reason(text, Expect::String), "") << text;
  for (const char* text : {"12", "null", R"(["x"])", R"({"a":"b"})", "", " ", "\u00a0\"a\""})
    EXPECT_EQ(reason(text, Expect::String), "not a JSON string") << text;
  for (const char* text : {R"("a" "b")", R"("a)", "\"tab\there\"", R"("\x")", R"("\ud800")"})
    EXPECT_EQ(reason(text, Expect::String), "not valid JSON") << text;
  EXPECT_EQ(reason("\xEF\xBB\xBF\"bom\"", Expect::String), "not valid JSON (a byte-order mark)");
  EXPECT_EQ(reason(std::string("\"a\"\0", 4), Expect::String), "not valid JSON (a NUL byte)");
}

}  // namespace
}  // namespace json
