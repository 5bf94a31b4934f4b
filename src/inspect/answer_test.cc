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

TEST(Answer, AnswerOrOneOfTwoMessages) {
  for (const char* input : {"{}", " \t\r\n{} \t\r\n", "{\"unknown\":[1,{\"a\":null}]}"}) {
    Answer a = answer(input);
    EXPECT_EQ(a.status, 0) << input;
    EXPECT_EQ(a.out, kEmptyAnswer) << input;
    EXPECT_EQ(a.err, "") << input;
  }
  Answer points = answer("{\"points\":[[1,2],[1,2]],\"screen\":true}");
  EXPECT_EQ(points.out,
            "{\"files\":[],\"points\":[null,null],\"processes\":[],\"screen\":null,"
            "\"windows\":[]}\n");
  for (const char* input : {"", "[]", "{} x", "{\"pids\":[-1]}"})
    expect_refused(input, kNotARequest, input);
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

}  // namespace
}  // namespace inspect
