// Which children of an element the walk lists.
//
// At most kChildWindow entries of a child list of n are listed. When the
// index of the child the walk came from is known, the window is placed
// around it, with that child at position kChildWindow / 2 unless the start
// or the end of the list is closer; otherwise it is the first entries.
#pragma once

#include <cstdint>
#include <optional>

namespace screen_text {

inline constexpr uint64_t kChildWindow = 64;

// The listed indices, start to end - 1.
struct Window {
  uint64_t start = 0;
  uint64_t end = 0;
};

Window child_window(std::optional<uint64_t> near_index, uint64_t n);

}  // namespace screen_text
