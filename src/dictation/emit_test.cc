#include "dictation/emit.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/captured_stdout.h"

namespace {

// Runs `write` with standard output sent into a pipe and returns what it got.
template <class F>
std::string captured(F write) {
  support::CapturedStdout out;
  write();
  return out.take();
}

TEST(Emit, NameAloneAndPayloadMembersSorted) {
  EXPECT_EQ(captured([] { dictation::emit("ready"); }), "{\"event\":\"ready\"}\n");
  json::Value payload = {{"sensitive", true}, {"id", 7}};
  EXPECT_EQ(captured([&] { dictation::emit("clipboard", payload); }),
            "{\"event\":\"clipboard\",\"id\":7,\"sensitive\":true}\n");
}

TEST(Emit, NonObjectPayloadIsDroppedAndEventMemberWins) {
  for (const json::Value& p : {json::Value("text"), json::Value(3), json::Value(nullptr),
                               json::Value::array({1, 2})})
    EXPECT_EQ(captured([&] { dictation::emit("x", p); }), "{\"event\":\"x\"}\n");
  json::Value renamed = {{"event", "other"}, {"a", 1}};
  EXPECT_EQ(captured([&] { dictation::emit("x", renamed); }),
            "{\"a\":1,\"event\":\"other\"}\n");
}

TEST(Emit, WritingToAClosedPipeReturnsNormally) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::fflush(stdout);
  int saved = dup(STDOUT_FILENO);
  dup2(fds[1], STDOUT_FILENO);
  close(fds[1]);
  close(fds[0]);  // the reader is gone
  auto previous = std::signal(SIGPIPE, SIG_IGN);
  dictation::emit("ready");
  dictation::emit("ready");
  std::signal(SIGPIPE, previous);
  std::clearerr(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  SUCCEED();
}

}  // namespace
