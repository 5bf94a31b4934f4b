// The annotate mode's command reader and its start and end through the real
// binary: "windows", lines that are not commands, end of input, input that
// is not UTF-8, a refused tap, a clock before 1970, and a thread that
// cannot start.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "annotate_fixture.h"

namespace annotate_test {
namespace {

const json kWindows = json::array(
    {{{"kCGWindowNumber", 88}, {"kCGWindowOwnerPID", 501}, {"kCGWindowOwnerName", "Notes"},
      {"kCGWindowLayer", 0}, {"kCGWindowAlpha", 1.0},
      {"kCGWindowBounds", {{"X", -1200}, {"Y", 0.5}, {"Width", 800}, {"Height", 600}}}},
     {{"kCGWindowNumber", 3}, {"kCGWindowOwnerPID", 77}, {"kCGWindowOwnerName", "Menu bar"},
      {"kCGWindowLayer", 25},
      {"kCGWindowBounds", {{"X", 0}, {"Y", 0}, {"Width", 1440}, {"Height", 24}}}}});
const std::string kAnswer =
    R"({"event":"windows","windows":[{"app":"Notes","height":600.0,"id":88,"pid":501,)"
    R"("width":800.0,"x":-1200.0,"y":0.5}]})";

TEST(AnnotateCommands, WindowsIsAnsweredAndEverythingElseIgnored) {
  Annotate a(json{{"windows", kWindows}});
  a.expect_ready();
  for (const char* ignored : {"WINDOWS", "windows now", "", "window", "\xC2\xA0"})
    a.command(ignored);
  a.command(" \twindows\t\r");
  EXPECT_EQ(a.line(), kAnswer);
  // Unicode white space counts as white space.
  a.command("\xE2\x80\x83windows\xC2\xA0");
  a.command("windows");
  EXPECT_EQ(a.line(), kAnswer);
  EXPECT_EQ(a.line(), kAnswer);
  a.act({{"action", "windows"}, {"windows", nullptr}});
  ASSERT_TRUE(a.desktop().sync());
  a.command("windows");
  EXPECT_EQ(a.line(), R"({"event":"windows","windows":[]})");
  // A last command without a line feed is still answered before the end.
  a.child().write("windows");
  a.child().close_input();
  EXPECT_EQ(a.line(), R"({"event":"windows","windows":[]})");
  EXPECT_EQ(a.child().wait(), 0);
  EXPECT_EQ(a.child().read_line(milliseconds(100)), std::nullopt);
  std::vector<json> asked = a.desktop().effects("window_list");
  ASSERT_EQ(asked.size(), 5u);
  for (const json& effect : asked)
    EXPECT_EQ(effect, json({{"effect", "window_list"}, {"options", 17}, {"relative_to", 0}}));
}

TEST(AnnotateCommands, InputThatIsNotUtf8EndsTheProcess) {
  support::Desktop desktop(json{{"windows", kWindows}});
  support::RunResult result =
      support::run({"annotate"}, "\xFF\xFEwindows\nwindows\n", desktop.env());
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "{\"event\":\"ready\"}\n");
  EXPECT_EQ(result.err, "");
}

TEST(AnnotateCommands, RefusedTapIsDeniedAndCommandsAreNeverRead) {
  support::Desktop desktop(json{{"tap", {{"refused", true}}}});
  support::RunResult result = support::run({"annotate"}, "windows\n", desktop.env());
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.out, "{\"event\":\"denied\"}\n");
  EXPECT_EQ(result.err, "");
}

TEST(AnnotateCommands, ClockBeforeTheEpochStampsZero) {
  Annotate a(json{{"clock", {{"wall_ms", -5000}}}});
  a.expect_ready();
  a.act(event_input("key_down"));
  EXPECT_EQ(a.line(0), kKeyLine);
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(0), shift_line(true, true, 0, 0));
  a.act(pointer(1, 1));
  EXPECT_EQ(a.line(0), pointer_line(1, 1));
  a.act(event_input("left_mouse_down"));
  EXPECT_EQ(a.line(0), button_line(true, 1, 1));
  a.command("windows");
  EXPECT_EQ(a.line(0), R"({"event":"windows","windows":[]})");
}

std::string read_all(int fd) {
  std::string out;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<size_t>(n));
  return out;
}

// A default thread stack as large as the stack limit (1 TiB here) cannot be
// committed, so the poller, the first thread, cannot start.
TEST(AnnotateCommands, ThreadThatCannotStartStopsTheMode) {
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
    ::execl(binary.c_str(), binary.c_str(), "annotate", nullptr);
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
  EXPECT_EQ(stderr_text.rfind("failed to spawn thread (poller): ", 0), 0u) << stderr_text;
  EXPECT_EQ(stdout_text, "");
}

}  // namespace
}  // namespace annotate_test
