// The inspect request: what the host asks about, read and checked straight
// from its JSON text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Reads `text` (valid UTF-8) as exactly one JSON object, optionally followed
// by JSON white space, and checks its members:
//   "pids"    array of integers 0..4294967295
//   "windows" array of integers 0..18446744073709551615
//   "files"   array of strings
//   "screen"  boolean
//   "points"  array of points, each an array of exactly two integers in the
//             signed 32-bit range (x, then y)
// An integer is a number written without fraction or exponent, other than
// -0. Absent members are empty (or false); of a repeated member the last
// occurrence counts; other members are ignored but must be valid JSON.
// Nothing when the text or any counted member is not of that form.
std::optional<Request> request(std::string_view text);

}  // namespace inspect
