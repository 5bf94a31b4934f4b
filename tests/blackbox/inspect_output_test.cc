// inspect's whole work is its one response line: when standard output
// cannot take it whole, the run fails (status 74) and, as standard error
// carries only the two request messages, says nothing there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/child.h"

extern char** environ;

namespace {

struct Outcome {
  int status = -1;
  std::string err;
};

// Runs "inspect" on `request` with standard output on `out`.
Outcome inspect_into(int out, const std::string& request) {
  int in[2], err[2];
  if (::pipe(in) != 0 || ::pipe(err) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  for (int fd : {in[0], in[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&actions, fd);
  std::string path = support::binary();
  char* argv[] = {path.data(), const_cast<char*>("inspect"), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(err[1]);
  Outcome outcome;
  if (rc == 0) {
    (void)!::write(in[1], request.data(), request.size());
    ::close(in[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(err[0], buffer, sizeof buffer)) > 0) outcome.err.append(buffer, n);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  } else {
    ::close(in[1]);
  }
  ::close(err[0]);
  return outcome;
}

TEST(InspectOutput, AResponseThatCannotBeWrittenFailsTheRun) {
  const std::string request = R"({"pids":[1],"points":[[1,2]],"screen":true})";

  int full = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  Outcome on_full_disk = inspect_into(full, request);
  ::close(full);
  EXPECT_EQ(on_full_disk.status, 74);
  EXPECT_EQ(on_full_disk.err, "");

  int gone[2];
  ASSERT_EQ(::pipe(gone), 0);
  ::close(gone[0]);  // nobody will ever read
  Outcome reader_gone = inspect_into(gone[1], request);
  ::close(gone[1]);
  EXPECT_EQ(reader_gone.status, 74);
  EXPECT_EQ(reader_gone.err, "");

  // Where it can be written, the run succeeds; a refused request keeps its
  // status and message whatever standard output is.
  int null = ::open("/dev/null", O_WRONLY);
  ASSERT_GE(null, 0);
  EXPECT_EQ(inspect_into(null, request).status, 0);
  ::close(null);
  full = ::open("/dev/full", O_WRONLY);
  Outcome refused = inspect_into(full, "[]");
  ::close(full);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "inspect: the request is not one this command reads\n");
}

}  // namespace
