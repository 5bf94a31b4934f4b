// Start-up failures of the dictate mode that need more than a desktop file.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/child.h"

namespace {

std::string read_all(int fd) {
  std::string out;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<size_t>(n));
  return out;
}

// A default thread stack as large as the stack limit (1 TiB here) cannot be
// committed, so no thread of the helper can start.
TEST(DictateStart, ThreadThatCannotStartStopsTheService) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' runtimes do not start with such a stack limit";
#endif
  const std::string binary = support::binary();
  int out[2], err[2];
  ASSERT_EQ(::pipe(out), 0);
  ASSERT_EQ(::pipe(err), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    rlimit limit{};
    ::getrlimit(RLIMIT_STACK, &limit);
    rlim_t huge = rlim_t{1} << 40;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > huge ? huge
                                                                               : limit.rlim_max;
    ::setrlimit(RLIMIT_STACK, &limit);
    int none = ::open("/dev/null", O_RDONLY);
    ::dup2(none, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::execl(binary.c_str(), binary.c_str(), "dictate", "--key", "fn", nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  std::string stdout_text = read_all(out[0]);
  std::string stderr_text = read_all(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  int raw = 0;
  ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
  if (WIFEXITED(raw) && WEXITSTATUS(raw) == 0)
    GTEST_SKIP() << "this system starts threads with such stacks";
  ASSERT_TRUE(WIFEXITED(raw)) << stderr_text;
  EXPECT_EQ(WEXITSTATUS(raw), 71);
  EXPECT_NE(stderr_text.find("failed to spawn thread"), std::string::npos) << stderr_text;
  EXPECT_EQ(stdout_text, "");
}

}  // namespace
