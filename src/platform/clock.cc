#include "platform/clock.h"

namespace clocks {

uint64_t wall_millis() {
  auto since = Wall::now().time_since_epoch();
  if (since.count() < 0) return 0;
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace clocks
