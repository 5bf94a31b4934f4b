// End of input ends dictate and annotate with status 0 within about a second
// whatever standard output is doing, and a host that reads gets everything.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

struct Mode {
  std::vector<std::string> args;
  std::string command;  // answered with one line of `event`
  std::string event;
};
const Mode kModes[] = {{{"dictate", "--key", "fn"}, "clipboard", "clipboard"},
                       {{"annotate"}, "windows", "windows"}};

// Enough replies to fill a pipe several times over, sent before the end.
constexpr int kCommands = 5000;

std::string commands(const Mode& mode) {
  std::string text;
  for (int i = 0; i < kCommands; ++i) text += mode.command + "\n";
  return text;
}

// The lines a host reads once it reads again, each within `patience`: whole
// replies in order, the last one possibly cut short by the end.
void expect_whole_replies(support::Child& child, const Mode& mode, int at_least,
                          milliseconds patience) {
  int replies = 0;
  while (std::optional<std::string> line = child.read_line(patience)) {
    json reply = json::parse(*line, nullptr, false);
    ASSERT_TRUE(reply.is_object()) << *line;
    ASSERT_EQ(reply.value("event", ""), mode.event) << *line;
    ++replies;
  }
  EXPECT_GE(replies, at_least);
  EXPECT_LE(replies, kCommands);
}

// Starts each mode in turn, waits for "ready", sends the commands, closes
// standard input and hands the child to `scene`.
template <typename Scene>
void after_the_commands(Scene scene) {
  for (const Mode& mode : kModes) {
    SCOPED_TRACE(mode.args[0]);
    support::Desktop desktop;
    support::Child child(mode.args, desktop.env());
    ASSERT_EQ(child.read_line(), R"({"event":"ready"})");
    child.write(commands(mode));
    child.close_input();
    scene(child, mode);
  }
}

// The host sends its commands, closes standard input and never reads again.
TEST(EndOfInput, EndsWhileNobodyReadsStandardOutput) {
  after_the_commands([](support::Child& child, const Mode& mode) {
    auto closed = Clock::now();
    EXPECT_EQ(child.wait_unread(milliseconds(5000)), 0);
    EXPECT_LT(Clock::now() - closed, milliseconds(4000));  // about 1 s; loose for loaded machines
    EXPECT_EQ(child.err(), "");
    expect_whole_replies(child, mode, 100, milliseconds(200));
  });
}

// A host that looks away for less than the second it is given, then reads:
// every command read before the end gets its reply, and the process ends.
TEST(EndOfInput, AHostThatReadsAgainSoonGetsEveryReply) {
  after_the_commands([](support::Child& child, const Mode& mode) {
    EXPECT_EQ(child.wait_unread(milliseconds(400)), -1);  // still owes replies
    expect_whole_replies(child, mode, kCommands, milliseconds(3000));
    EXPECT_EQ(child.wait(), 0);
    EXPECT_EQ(child.err(), "");
  });
}

}  // namespace
