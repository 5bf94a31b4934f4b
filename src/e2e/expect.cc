#include "e2e/expect.h"

#include <array>
#include <utility>

#include "json/strict.h"
#include "json/write.h"

namespace e2e {
namespace {

constexpr std::array<std::string_view, 7> kKinds = {
    "string", "integer", "number", "boolean", "null", "array", "object"};

bool is_kind(const json::Value& v, std::string_view kind) {
  if (kind == "string") return v.is_string();
  if (kind == "integer") return v.is_number_integer();
  if (kind == "number") return v.is_number();
  if (kind == "boolean") return v.is_boolean();
  if (kind == "null") return v.is_null();
  if (kind == "array") return v.is_array();
  return v.is_object();
}

bool valid_name(std::string_view name) {
  return !name.empty() && name.find_first_of("=?:!") == std::string_view::npos;
}

}  // namespace

std::string parse_expectation(std::string_view text, Expectation* out) {
  Expectation e;
  // A name holds none of "=?:!", so the first "=" ends it.
  if (size_t eq = text.find('='); eq != std::string_view::npos) {
    e.member = text.substr(0, eq);
    e.test = Expectation::Test::Equals;
    std::string why = json::parse_strictly(text.substr(eq + 1), &e.value);
    if (!why.empty()) return "the value of " + std::string(text) + " is " + why;
  } else if (!text.empty() && text.front() == '!') {
    e.member = text.substr(1);
    e.test = Expectation::Test::Absent;
  } else if (!text.empty() && text.back() == '?') {
    e.member = text.substr(0, text.size() - 1);
    e.test = Expectation::Test::Present;
  } else if (size_t colon = text.find(':'); colon != std::string_view::npos) {
    e.member = text.substr(0, colon);
    e.test = Expectation::Test::Kind;
    e.kind = text.substr(colon + 1);
    bool known = false;
    for (std::string_view k : kKinds) known = known || k == e.kind;
    if (!known) return "unknown kind in " + std::string(text);
  } else {
    return "not an expectation: " + std::string(text) +
           " (name=JSON, name?, !name or name:kind)";
  }
  if (!valid_name(e.member)) return "no member name in " + std::string(text);
  *out = std::move(e);
  return "";
}

std::string judge(const json::Value& object, const Expectation& e) {
  auto found = object.find(e.member);
  bool present = found != object.end();
  std::string got = present ? json::serialize(*found) : "nothing";
  switch (e.test) {
    case Expectation::Test::Absent:
      return present ? e.member + ": expected nothing, got " + got : "";
    case Expectation::Test::Present:
      return present ? "" : e.member + ": expected a value, got nothing";
    case Expectation::Test::Equals:
      if (present && *found == e.value) return "";
      return e.member + ": expected " + json::serialize(e.value) + ", got " + got;
    case Expectation::Test::Kind:
      if (present && is_kind(*found, e.kind)) return "";
      return e.member + ": expected " + e.kind + ", got " + got;
  }
  return "";
}

std::string judge_line(std::string_view line, std::span<const Expectation> expectations) {
  json::Value object;
  std::string why = json::parse_strictly(line, &object);
  if (!why.empty()) return "the line is " + why;
  if (!object.is_object()) return "the line is not a JSON object";
  for (const Expectation& e : expectations) {
    std::string failed = judge(object, e);
    if (!failed.empty()) return failed;
  }
  return "";
}

}  // namespace e2e
