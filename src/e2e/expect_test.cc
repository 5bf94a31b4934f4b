#include "e2e/expect.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "json/write.h"

namespace e2e {
namespace {

Expectation parsed(std::string_view text) {
  Expectation e;
  EXPECT_EQ(parse_expectation(text, &e), "") << text;
  return e;
}

std::string judged(std::string_view line, std::vector<std::string_view> texts) {
  std::vector<Expectation> es;
  for (std::string_view t : texts) es.push_back(parsed(t));
  return judge_line(line, es);
}

constexpr std::string_view kFocus =
    R"({"app":"TextEdit","bundle_id":"com.apple.TextEdit","complete":true,"event":"screen_focus",)"
    R"("focused":true,"id":6,"labels":[],"pid":812,"role":"AXTextArea","secure":false,"subrole":null})";

TEST(Expect, TheChecksOfTheRunHoldOnTheLinesTheHelperWrites) {
  EXPECT_EQ(judged(kFocus, {R"(event="screen_focus")", "complete=true", R"(app="TextEdit")",
                            R"(bundle_id="com.apple.TextEdit")", R"(role="AXTextArea")",
                            "pid:integer", "labels:array", "subrole:null", "!window"}),
            "");
  EXPECT_EQ(judged(R"({"before":"2","event":"context","focused":true,"id":3})",
                   {R"(before="2")", "id=3", "id=3.0", "focused?"}),
            "");
  EXPECT_EQ(judged(R"({"event":"clipboard","sensitive":false})", {"sensitive=false"}), "");
}

TEST(Expect, AFailureSaysWhatWasExpectedAndWhatIsThere) {
  EXPECT_EQ(judged(kFocus, {"complete=false"}), "complete: expected false, got true");
  EXPECT_EQ(judged(kFocus, {R"(app="Notes")"}), R"(app: expected "Notes", got "TextEdit")");
  EXPECT_EQ(judged(kFocus, {"window?"}), "window: expected a value, got nothing");
  EXPECT_EQ(judged(kFocus, {"!pid"}), "pid: expected nothing, got 812");
  EXPECT_EQ(judged(kFocus, {"pid:string"}), "pid: expected string, got 812");
  EXPECT_EQ(judged(kFocus, {"missing:null"}), "missing: expected null, got nothing");
  // The first failing expectation is the one reported.
  EXPECT_EQ(judged(kFocus, {"focused=true", "secure=true", "complete=false"}),
            "secure: expected true, got false");
}

TEST(Expect, OnlyOneStrictJsonObjectIsALine) {
  for (std::string_view line : {"", "[]", "\"x\"", "{", R"({"a":1} {"b":2})",
                                "{\"a\":1}\n{}", "{\"a\":\"\xff\"}", R"({"a":01})"}) {
    EXPECT_NE(judged(line, {"a?"}), "") << line;
  }
  EXPECT_EQ(judged(" {\"a\":1}\r\n", {"a=1"}), "");
}

TEST(Expect, MalformedExpectationsAreRefused) {
  Expectation e;
  for (std::string_view text : {"", "name", "=1", "!", "?", ":string", "a:text", "a=",
                                "a={", "a=1 2", "!a=1", "a!:string", "a?b=1x"}) {
    EXPECT_NE(parse_expectation(text, &e), "") << text;
  }
  // Names hold no "=", so a value may hold any of the special characters.
  EXPECT_EQ(parsed(R"(text="a=b? c:d !e")").value, "a=b? c:d !e");
}

// Property: over generated objects, a member equals only its own value, and
// every kind test agrees with the value's kind.
TEST(Expect, GeneratedObjectsAgreeWithEveryTest) {
  std::mt19937 random(25);
  const std::vector<json::Value> values = {
      nullptr, true, false, 0, -1, 18446744073709551615u, 2.5, "", "é\n\"", json::Value::array(),
      json::Value::array({1, "x"}), json::Value::object(), json::Value{{"k", 1}}};
  const std::vector<std::pair<std::string, int>> kinds = {
      {"null", 0}, {"boolean", 1}, {"integer", 2}, {"number", 3},
      {"string", 4}, {"array", 5}, {"object", 6}};
  for (int round = 0; round < 300; ++round) {
    json::Value object = json::Value::object();
    for (int m = 0; m < 4; ++m) {
      object["m" + std::to_string(m)] = values[random() % values.size()];
    }
    std::string line = json::serialize(object);
    for (auto& [name, member] : object.items()) {
      for (const json::Value& other : values) {
        bool equal = judged(line, {name + "=" + json::serialize(other)}).empty();
        EXPECT_EQ(equal, member == other) << line << " " << name;
      }
      for (auto& [kind, index] : kinds) {
        bool is = judged(line, {name + ":" + kind}).empty();
        bool expected = kind == "null" ? member.is_null() : kind == "boolean" ? member.is_boolean()
                      : kind == "integer" ? member.is_number_integer()
                      : kind == "number" ? member.is_number() : kind == "string" ? member.is_string()
                      : kind == "array" ? member.is_array() : member.is_object();
        EXPECT_EQ(is, expected) << line << " " << name << ":" << kind << " " << index;
      }
      EXPECT_EQ(judged(line, {name + "?"}), "");
      EXPECT_NE(judged(line, {"!" + name}), "");
    }
    EXPECT_NE(judged(line, {"m9?"}), "");
  }
}

}  // namespace
}  // namespace e2e
