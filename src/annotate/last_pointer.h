// The pointer record shared by the tap side (main thread) and the pointer
// poller: empty while pointer tracking is off; while it is on, the position
// last reported in a "pointer" line, or where tracking was switched on.
//
// Lock order: `LAST_POINTER.lock`, then the standard-output lock inside the
// line writer. Whoever switches tracking or reports a position holds the
// lock across its line, so "pointer" lines never fall outside the lines
// that switched tracking on and off. Made once, never freed.
#pragma once

#include <mutex>
#include <optional>

namespace annotate {

struct Position {
  double x = 0;
  double y = 0;
};

struct LastPointer {
  std::mutex lock;
  std::optional<Position> position;  // guarded by `lock`
};

extern LastPointer& LAST_POINTER;

}  // namespace annotate
