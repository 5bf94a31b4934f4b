#include "annotate/poller.h"

#include <cmath>

#include "annotate/emit.h"
#include "annotate/last_pointer.h"
#include "annotate/spawn.h"
#include "platform/cg_event.h"
#include "platform/clock.h"

namespace annotate::platform {

bool poll_once() {
  std::lock_guard<std::mutex> hold(LAST_POINTER.lock);
  if (!LAST_POINTER.position) return false;
  Position last = *LAST_POINTER.position;
  cg::Point now;
  {
    cf::Ref event = cg::event_create(nullptr);
    if (!event) return true;
    now = cg::event_get_location(event.get());
  }
  // Measured from the last report, not the last sample: slow motion adds up.
  if (std::hypot(now.x - last.x, now.y - last.y) >= kMovement) {
    LAST_POINTER.position = Position{now.x, now.y};
    json::Value line = json::Value::object();
    line["event"] = "pointer";
    line["x"] = now.x;
    line["y"] = now.y;
    line["t"] = clocks::wall_millis();
    emit(line);
  }
  return true;
}

void poll_pointer(Parker& parker) {
  for (;;) {
    if (poll_once()) {
      clocks::sleep_for(kSampleInterval);
    } else {
      // A switch-on after the look above has left the token: no wait then.
      parker.park();
    }
  }
}

Parker& start_poller() {
  Parker& parker = *new Parker;  // the thread's for good; never freed
  spawn_detached("poller", [&parker] { poll_pointer(parker); });
  return parker;
}

}  // namespace annotate::platform
