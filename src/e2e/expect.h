// Judging one line of the helper's output for scripts/macos-e2e: whether a
// JSON object has the members a check expects. Pure logic, no platform.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "json/value.h"

namespace e2e {

// One expectation on a member of an object, as written on the command line:
//   name=JSON    the member is there and equals JSON (numbers compare by
//                value: 1 equals 1.0)
//   name?        the member is there, whatever its value
//   !name        the member is not there
//   name:kind    the member is there and is a string, integer, number (an
//                integer or not), boolean, null, array or object
struct Expectation {
  enum class Test { Equals, Present, Absent, Kind };
  std::string member;
  Test test = Test::Present;
  json::Value value;   // Equals
  std::string kind;    // Kind
};

// Reads one expectation: "" or why it is refused (an empty member name, an
// unknown kind, a value that is not strict JSON).
std::string parse_expectation(std::string_view text, Expectation* out);

// "" when `object` meets the expectation, else one line saying what was
// expected and what is there (the member's value as compact JSON).
std::string judge(const json::Value& object, const Expectation& expectation);

// The whole check of one output line: it must be one JSON object (strict
// reading), then meet every expectation. "" or the first reason it fails.
std::string judge_line(std::string_view line, std::span<const Expectation> expectations);

}  // namespace e2e
