#include "inspect/answer.h"

#include <gtest/gtest.h>

namespace inspect {
namespace {

constexpr std::string_view kEmptyAnswer =
    "{\"files\":[],\"points\":[],\"processes\":[],\"screen\":null,\"windows\":[]}\n";

void expect_refused(std::string_view input, std::string_view message, const std::string& what) {
  Answer a = answer(input);
  EXPECT_EQ(a.status, 1) << what;
  EXPECT_EQ(a.out, "") << what;
  EXPECT_EQ(a.err, message) << what;
}

TEST(Answer, TextAroundTheValue) {
  const char* accepted[] = {"{}", " \t\r\n{} \t\r\n", "{}\n\n\n", "{\"unknown\":[1,{\"a\":null}]}"};
  for (const char* input : accepted) {
    Answer a = answer(input);
    EXPECT_EQ(a.status, 0) << input;
    EXPECT_EQ(a.out, kEmptyAnswer) << input;
    EXPECT_EQ(a.err, "") << input;
  }
  const char* refused[] = {
      "", " \n", "{} x", "{}{}", "{},", "{}\f", "{}\v", "{}\u00A0", "{}\u3000",
      "{} // note", "/* note */ {}", "{", "}", "{\"pids\":[1,]}", "{'pids':[]}",
      "\xEF\xBB\xBF{}",  // byte order mark
      "[]", "\"{}\"", "5", "null", "true", "[{}]",
  };
  for (const char* input : refused) expect_refused(input, kNotARequest, input);
  // The parser takes NUL for the end of its input.
  expect_refused(std::string("{}\0", 3), kNotARequest, "NUL after the value");
  expect_refused(std::string("{} \0 x", 6), kNotARequest, "NUL and text after the value");
  expect_refused(std::string("{\"files\":[\"a\0\"]}", 15), kNotARequest, "raw NUL in a string");
  EXPECT_EQ(answer("{\"files\":[\"a\\u0000\"]}").status, 0);
}

TEST(Answer, NotUtf8) {
  const char* inputs[] = {
      "{\"files\":[\"\xFF\"]}", "{}\xC3", "{\"files\":[\"\xED\xA0\x80\"]}",
      "{\"unknown\":\"\xC0\xAF\"}", "\x80{}",
  };
  for (const char* input : inputs) expect_refused(input, kUnreadable, input);
  // Escapes are not raw bytes: a lone surrogate escape is bad JSON instead.
  expect_refused("{\"files\":[\"\\ud800\"]}", kNotARequest, "escaped surrogate");
  EXPECT_EQ(answer("{\"files\":[\"\\ud83d\\ude00\",\"\xF0\x9F\x98\x80\"]}").status, 0);
}

TEST(Answer, TheLimitCutsTheInput) {
  // Exactly at the limit: read whole.
  std::string exact = "{\"files\":[\"";
  exact += std::string(kRequestLimit - exact.size() - 3, 'x') + "\"]}";
  ASSERT_EQ(exact.size(), kRequestLimit);
  EXPECT_EQ(answer(exact).out, kEmptyAnswer);

  // A valid request followed by white space past the limit: the cut falls in
  // the white space and the request stands; past the limit anything goes.
  std::string padded = "{}" + std::string(kRequestLimit, ' ') + "garbage";
  EXPECT_EQ(answer(padded).status, 0);
  std::string bad_tail = "{}" + std::string(kRequestLimit - 2, ' ') + "\xFF";
  EXPECT_EQ(answer(bad_tail).status, 0);

  // One byte more than the limit: the closing brace is cut away.
  std::string over = exact;
  over.insert(1, " ");
  expect_refused(over, kNotARequest, "cut JSON");

  // A two-byte character across the limit: invalid UTF-8 after the cut.
  std::string split = "{\"files\":[\"";
  split += std::string(kRequestLimit - split.size() - 1, 'x') + "\xC3\xA9\"]}";
  expect_refused(split, kUnreadable, "cut character");
}

TEST(Answer, DeepNestingNeverOverflows) {
  // Half a million brackets in an unknown member, closed and not closed.
  const size_t depth = 500000;
  std::string closed = "{\"unknown\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
  EXPECT_EQ(answer(closed).out, kEmptyAnswer);
  std::string open = "{\"unknown\":" + std::string(depth, '[');
  expect_refused(open, kNotARequest, "unclosed");
  std::string objects;
  for (size_t i = 0; i < depth / 8; ++i) objects += "{\"a\":";
  expect_refused("{\"points\":[" + objects, kNotARequest, "unclosed objects in a member");
  std::string in_points = "{\"points\":[" + std::string(depth, '[') +
                          std::string(depth, ']') + "]}";
  expect_refused(in_points, kNotARequest, "nested in a known member");
}

TEST(Answer, ManyPointsKeepTheirCount) {
  std::string input = "{\"points\":[";
  for (int i = 0; i < 1000; ++i) input += i ? ",[1,1]" : "[1,1]";
  input += "]}";
  Answer a = answer(input);
  ASSERT_EQ(a.status, 0);
  auto response = json::Value::parse(a.out);
  EXPECT_EQ(response["points"].size(), 1000u);
}

}  // namespace
}  // namespace inspect
