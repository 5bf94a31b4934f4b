#include "dictation/ending.h"

#include <cstdlib>

#include "json/line.h"
#include "platform/clock.h"
#include "stream/exit.h"
#include "stream/exit_status.h"

namespace dictation::platform {

void end_of_input(const Settled& settled) {
  if (settled(kEndGrace)) stream::exit_now(stream::exit_status::kOk);
  for (;;) {
    json::Progress before = json::progress();
    if (settled(kStuckAfter)) stream::exit_now(stream::exit_status::kOk);
    json::Progress after = json::progress();
    // The same write waited through the whole look: nobody reads.
    bool waiting = before.begun > before.ended && after.begun > after.ended;
    if (waiting && after.ended == before.ended) stream::exit_now(stream::exit_status::kOk);
  }
}

bool never_settled(std::chrono::nanoseconds wait) {
  clocks::sleep_for(wait);
  return false;
}

}  // namespace dictation::platform
