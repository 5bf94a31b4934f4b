// The helper's standard streams as careless or hostile hosts hand them over:
// very long lines, NUL bytes, non-blocking pipes, a host that stops reading
// for a while, and a standard output that is closed at start.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace {

using nlohmann::json;
using std::chrono::milliseconds;

// A 64 MiB command line between two commands: each byte must be looked at a
// bounded number of times, or the second reply takes tens of seconds.
TEST(Streams, LongLineCostsLinearTime) {
  std::string input = "1 clipboard\n" + std::string(64 << 20, 'x') + "\n2 clipboard\n";
  support::RunResult r =
      support::run({"dictate", "--key", "fn"}, input, {}, milliseconds(15000));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"event\":\"ready\"}\n"
            "{\"event\":\"clipboard\",\"id\":1,\"sensitive\":false}\n"
            "{\"event\":\"clipboard\",\"id\":2,\"sensitive\":false}\n");
}

TEST(Streams, NulAfterJsonStringIsOtherText) {
  static constexpr char kInput[] = "1 paste \"a\"\0garbage\n2 copy \"a\"\0{\n3 paste \"a\" \n";
  std::string input(kInput, sizeof kInput - 1);
  support::RunResult r = support::run({"dictate", "--key", "fn"}, input);
  EXPECT_EQ(r.out,
            "{\"event\":\"ready\"}\n"
            "{\"event\":\"paste_failed\",\"id\":1,\"reason\":\"bad_text\"}\n"
            "{\"event\":\"paste_failed\",\"id\":2,\"reason\":\"bad_text\"}\n"
            "{\"event\":\"paste_failed\",\"id\":3,\"reason\":\"unsupported_platform\"}\n");
}

// "Try again" from a non-blocking stream is neither end of input nor a
// failed write.
TEST(Streams, NonBlockingStreamsWaitInsteadOfGivingUp) {
  support::Streams nonblocking{.nonblocking_input = true, .nonblocking_output = true};
  {
    support::Child dictate({"dictate", "--key", "fn"}, {}, nonblocking);
    ASSERT_EQ(dictate.read_line().value_or(""), R"({"event":"ready"})");
    std::this_thread::sleep_for(milliseconds(200));  // input stays empty
    dictate.write("7 clipboard\n");
    EXPECT_EQ(dictate.read_line().value_or(""),
              R"({"event":"clipboard","id":7,"sensitive":false})");
    dictate.close_input();
    EXPECT_EQ(dictate.wait(), 0);
  }
  {
    // 30,000 points answer with a line of about 150 kB: more than the pipe
    // holds while nobody reads.
    support::Child inspect({"inspect"}, {}, nonblocking);
    std::this_thread::sleep_for(milliseconds(200));
    std::string points;
    for (int k = 0; k < 30000; ++k) points += (k ? ",[" : "[") + std::to_string(k) + ",1]";
    inspect.write("{\"points\":[" + points + "]}");
    inspect.close_input();
    std::this_thread::sleep_for(milliseconds(300));  // the helper meets a full pipe
    std::optional<std::string> line = inspect.read_line(milliseconds(10000));
    ASSERT_TRUE(line);
    json response = json::parse(*line, nullptr, false);
    ASSERT_TRUE(response.is_object()) << line->substr(0, 200);
    EXPECT_EQ(response["points"].size(), 30000u);
    EXPECT_EQ(inspect.wait(), 0);
  }
}

// Key events the tap has seen before the end of input still reach a host
// that reads late.
TEST(Streams, QueuedKeyEventsAreWrittenAtEndOfInput) {
  support::Desktop desktop;
  support::Child dictate({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(dictate.read_line().value_or(""), R"({"event":"ready"})");
  constexpr int kEscapes = 2000;
  for (int k = 0; k < kEscapes; ++k)
    desktop.act({{"action", "input"}, {"type", 10}, {"keycode", 53}, {"flags", 0}});
  ASSERT_TRUE(desktop.sync(milliseconds(20000)));
  dictate.close_input();
  int escapes = 0;
  while (std::optional<std::string> line = dictate.read_line(milliseconds(3000)))
    escapes += line->find("\"event\":\"escape\"") != std::string::npos;
  EXPECT_EQ(escapes, kEscapes);
  EXPECT_EQ(dictate.wait(), 0);
}

// Started with standard output closed, the helper must not write its event
// lines into the next file it opens (here the effects log).
TEST(Streams, ClosedStandardOutputIsNotReused) {
  support::Desktop desktop(json{
      {"script", {{{"at_ms", 0}, {"action", "input"}, {"type", 10}, {"keycode", 53}}}}});
  {
    support::Child dictate({"dictate", "--key", "fn"}, desktop.env(),
                           support::Streams{.closed_output = true});
    // The escape has gone through the tap (its event line is owed) before
    // the host's command and the end of input.
    auto give_up = std::chrono::steady_clock::now() + milliseconds(10000);
    while (desktop.effects("input").empty() && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(milliseconds(5));
    ASSERT_FALSE(desktop.effects("input").empty());
    dictate.write("1 clipboard\n");
    dictate.close_input();
    EXPECT_EQ(dictate.wait(), 0);
  }
  std::ifstream log(desktop.log_path());
  std::string line;
  int lines = 0;
  while (std::getline(log, line)) {
    ++lines;
    json entry = json::parse(line, nullptr, false);
    EXPECT_TRUE(entry.is_object() && entry.contains("effect")) << line;
  }
  EXPECT_GT(lines, 0);
}

}  // namespace
