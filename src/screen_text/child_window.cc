#include "screen_text/child_window.h"

#include <algorithm>

namespace screen_text {

Window child_window(std::optional<uint64_t> near_index, uint64_t n) {
  uint64_t start = 0;
  if (near_index) {
    uint64_t last_start = n > kChildWindow ? n - kChildWindow : 0;
    uint64_t centred = *near_index > kChildWindow / 2 ? *near_index - kChildWindow / 2 : 0;
    start = std::min(last_start, centred);
  }
  return {start, std::min(start + kChildWindow, n)};
}

}  // namespace screen_text
