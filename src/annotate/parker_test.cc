#include "annotate/parker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace annotate {
namespace {

// Two threads hand a counter back and forth, each parking when it finds
// nothing new: however the look and the park of one interleave with the
// other's wake-up (given before the park, or during it), none is lost (a
// lost one hangs the test).
TEST(Parker, NoWakeUpIsLostBetweenALookAndThePark) {
  Parker to_sleeper, to_waker;
  std::atomic<int> posted{0}, acknowledged{0};
  constexpr int kRounds = 5000;
  std::thread sleeper([&] {
    for (int seen = 0; seen < kRounds;) {
      int now = posted.load();
      if (now == seen) {
        to_sleeper.park();
        continue;
      }
      seen = now;
      acknowledged.store(seen);
      to_waker.wake();
    }
  });
  for (int i = 1; i <= kRounds; ++i) {
    posted.store(i);
    to_sleeper.wake();
    while (acknowledged.load() != i) to_waker.park();
  }
  sleeper.join();
  EXPECT_EQ(acknowledged.load(), kRounds);
}

}  // namespace
}  // namespace annotate
