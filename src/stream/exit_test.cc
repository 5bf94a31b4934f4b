// An immediate exit still checks for leaks where the build has the leak
// checker: a child leaks a block and ends through exit_now.
#include "stream/exit.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace stream {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLeakChecker = true;
#else
constexpr bool kLeakChecker = false;
#endif

// The status of a child that runs `body` with standard error thrown away.
template <typename F>
int child_status(F body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    (void)!::freopen("/dev/null", "w", stderr);
    body();
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int* volatile KEPT = nullptr;

TEST(ExitNow, ALeakFailsTheExitWhereTheCheckerIsAndOnlyThen) {
  int leaked = child_status([] {
    KEPT = new int[16];
    KEPT = nullptr;  // nothing points at the block any more
    exit_now(5);
  });
  int clean = child_status([] {
    KEPT = new int[16];  // still reachable: not a leak
    exit_now(5);
  });
  EXPECT_EQ(clean, 5);
  if (kLeakChecker) {
    EXPECT_NE(leaked, 5);
  } else {
    EXPECT_EQ(leaked, 5);
  }
}

}  // namespace
}  // namespace stream
