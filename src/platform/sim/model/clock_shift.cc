// The simulated clocks: the system's clocks plus two shifts, the monotonic
// one possibly standing still.
#include "platform/sim/model/clock_shift.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace sim {
namespace {

std::mutex MU;
int64_t MONOTONIC_SHIFT = 0;         // ns, under MU
int64_t WALL_SHIFT = 0;              // ns, under MU
std::optional<int64_t> STILL_AT;     // the standing monotonic time, under MU

int64_t saturating_add(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}

int64_t real_wall_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int64_t real_monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t monotonic_locked() {
  return STILL_AT ? *STILL_AT : saturating_add(real_monotonic_ns(), MONOTONIC_SHIFT);
}

}  // namespace

void clock_reset() {
  std::lock_guard<std::mutex> lock(MU);
  MONOTONIC_SHIFT = 0;
  WALL_SHIFT = 0;
  STILL_AT.reset();
}

void clock_advance(int64_t ns) {
  if (ns <= 0) return;
  std::lock_guard<std::mutex> lock(MU);
  if (STILL_AT) STILL_AT = saturating_add(*STILL_AT, ns);
  MONOTONIC_SHIFT = saturating_add(MONOTONIC_SHIFT, ns);
  WALL_SHIFT = saturating_add(WALL_SHIFT, ns);
}

void clock_set_wall(int64_t ns) {
  std::lock_guard<std::mutex> lock(MU);
  WALL_SHIFT = ns - real_wall_ns();
}

void clock_set_still(bool still) {
  std::lock_guard<std::mutex> lock(MU);
  if (still == STILL_AT.has_value()) return;
  if (still) {
    STILL_AT = monotonic_locked();
  } else {
    // Running on from the standing time: the shift makes up for the time
    // the system's clock ran meanwhile (it may turn negative).
    MONOTONIC_SHIFT = *STILL_AT - real_monotonic_ns();
    STILL_AT.reset();
  }
}

void clock_waited(int64_t ns) {
  if (ns <= 0) return;
  std::lock_guard<std::mutex> lock(MU);
  if (STILL_AT) STILL_AT = saturating_add(*STILL_AT, ns);
}

void wait_ms(double ms) {
  if (!(ms > 0)) return;
  auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::duration<double, std::milli>(ms));
  std::this_thread::sleep_for(wait);
  clock_waited(wait.count());
}

int64_t monotonic_ns() {
  std::lock_guard<std::mutex> lock(MU);
  return monotonic_locked();
}

int64_t wall_ns() {
  std::lock_guard<std::mutex> lock(MU);
  return saturating_add(real_wall_ns(), WALL_SHIFT);
}

}  // namespace sim
