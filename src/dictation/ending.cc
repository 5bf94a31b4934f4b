#include "dictation/ending.h"

#include <cstdlib>

#include "json/line.h"
#include "platform/clock.h"

namespace dictation::platform {

void end_of_input(const Settled& settled) {
  if (settled(kEndGrace)) std::_Exit(0);
  for (;;) {
    json::Progress before = json::progress();
    if (settled(kStuckAfter)) std::_Exit(0);
    json::Progress after = json::progress();
    // The same write waited through the whole look: nobody reads.
    bool waiting = before.begun > before.ended && after.begun > after.ended;
    if (waiting && after.ended == before.ended) std::_Exit(0);
  }
}

bool never_settled(std::chrono::nanoseconds wait) {
  clocks::sleep_for(wait);
  return false;
}

}  // namespace dictation::platform
