// The simulated desktop inside the real binary: a running helper sleeps
// while nothing happens.
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/child.h"
#include "support/desktop.h"

namespace {

using std::chrono::milliseconds;

// Processor time (user + system) the process has used, in clock ticks.
long cpu_ticks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  if (!in) return -1;  // no /proc (a Mac)
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Fields after the command name, which ends with the last ')'.
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

TEST(SimulatedDesktop, IdleHelperUsesNoProcessorTime) {
  support::Desktop desktop;
  support::Child helper({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
  ASSERT_TRUE(desktop.sync());
  long before = cpu_ticks(helper.pid());
  if (before < 0) GTEST_SKIP() << "this system has no /proc to read processor time from";
  std::this_thread::sleep_for(milliseconds(500));
  // Tap thread, main run loop, reader, emitter and control thread all wait;
  // one polling thread alone would use most of the half second (50 ticks).
  EXPECT_LE(cpu_ticks(helper.pid()) - before, 5);
  helper.close_input();
  EXPECT_EQ(helper.wait(), 0);
}

}  // namespace
