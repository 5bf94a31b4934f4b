#include "dictation/tap_start.h"

#include <chrono>
#include <cstdio>

#include "platform/cg_event.h"
#include "platform/clock.h"

namespace dictation::platform {

bool enable_and_confirm(cf::TypeRef tap) {
  for (int attempt = 0; attempt < kEnableTries; ++attempt) {
    if (attempt > 0) clocks::sleep_for(std::chrono::milliseconds(2));
    cg::event_tap_enable(tap, true);
    if (cg::event_tap_is_enabled(tap)) return true;
  }
  return false;
}

void report_tap_not_running(const char* why) {
  (void)std::fprintf(stderr, "event tap does not run: %s\n", why);
  (void)std::fflush(stderr);
}

}  // namespace dictation::platform
