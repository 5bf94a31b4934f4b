// The system's clocks (clock_gettime) and sleeping (nanosleep).
// CLOCK_MONOTONIC keeps counting while the machine sleeps; CLOCK_REALTIME
// follows every change of the system time, backwards included.
#include <time.h>

#include <cerrno>
#include <cstdint>

#include "platform/clock.h"

namespace clocks {
namespace {

// Nanoseconds of a reading; saturates far outside the years 1678 to 2262.
int64_t nanoseconds(clockid_t clock) {
  struct timespec ts = {};
  clock_gettime(clock, &ts);
  int64_t ns = 0;
  if (__builtin_mul_overflow(static_cast<int64_t>(ts.tv_sec), int64_t{1000000000}, &ns) ||
      __builtin_add_overflow(ns, static_cast<int64_t>(ts.tv_nsec), &ns)) {
    return ts.tv_sec < 0 ? INT64_MIN : INT64_MAX;
  }
  return ns;
}

}  // namespace

Monotonic::time_point Monotonic::now() {
  return time_point(duration(nanoseconds(CLOCK_MONOTONIC)));
}

Wall::time_point Wall::now() {
  return time_point(duration(nanoseconds(CLOCK_REALTIME)));
}

// A signal handler that interrupts the sleep does not shorten it.
void sleep_for(std::chrono::nanoseconds d) {
  if (d.count() <= 0) return;
  struct timespec left = {static_cast<time_t>(d.count() / 1000000000),
                          static_cast<long>(d.count() % 1000000000)};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace clocks
