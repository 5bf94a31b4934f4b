// The inspect request: what the host asks about, checked member by member.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "json/value.h"

namespace inspect {

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Request {
  std::vector<uint32_t> pids;
  std::vector<uint64_t> windows;
  std::vector<std::string> files;
  bool screen = false;
  std::vector<Point> points;
};

// One element of "points": an array of exactly two integers, each within the
// signed 32-bit range. Nothing if any rule fails.
std::optional<Point> point(const json::Value& value);

// The request that a parsed value holds; nothing if it is not an object or a
// known member has the wrong form. Unknown members are ignored.
std::optional<Request> request(const json::Value& value);

}  // namespace inspect
