// The visible text around a focused element, nearest first.
//
// `nearby_text` climbs from the element to its window (or sheet), then level
// by level outwards reads the siblings nearest the element first, descending
// into each, and keeps short pieces of static text that lie inside `area`.
// It stops at the limits or at the deadline and returns what it kept, joined
// by "\n". It never fails as a whole.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "screen_text/element.h"

namespace screen_text {

struct Limits {
  uint64_t total_chars = 1000;  // all kept texts, one more per separator
  uint64_t item_chars = 160;    // of any one text
  uint64_t nodes = 400;         // elements visited, ancestors included
  uint64_t depth = 8;           // children of this level are not listed
};
inline constexpr Limits kLimits{};

// An instant on the caller's monotonic clock, and how to read that clock.
using Instant = std::chrono::nanoseconds;
using Now = std::function<Instant()>;

// True for the roles that hold typed text; such elements are neither read
// nor descended into.
bool holds_typed_text(std::string_view role);

// Indices of the siblings of index i among n, nearest first, the earlier one
// first at equal distance; i itself is not included.
std::vector<uint64_t> nearest_first(uint64_t i, uint64_t n);

// The accumulator of one walk.
struct Gathered {
  Gathered(Instant deadline, const Limits& limits, const Rect& area, Now now);

  // Visits `node` at `depth` below a sibling of the path.
  void read(Element& node, uint64_t depth);
  // Keeps a clipped copy of `text` when it is new and has two letters.
  void add(std::string_view text);

  std::vector<std::string> texts;
  Instant deadline;
  const Limits& limits;
  const Rect& area;
  std::unordered_set<std::string> seen;
  uint64_t total = 0;
  uint64_t nodes = 0;
  Now now;
};

// Takes ownership of `start`.
std::string nearby_text(std::unique_ptr<Element> start, const Rect& area,
                        const Limits& limits, Instant deadline, Now now);

}  // namespace screen_text
