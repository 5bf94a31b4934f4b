// The command channel of the dictate mode through the real binary: line
// framing, request ids, replies, and the end of input.
#include "dictate_fixture.h"

namespace dictate_test {
namespace {

std::string lines(const std::vector<std::string>& each) {
  std::string out;
  for (const std::string& line : each) out += line + "\n";
  return out;
}

const std::string kReady = R"({"event":"ready"})";
const std::string kClipboard7 = R"({"event":"clipboard","id":7,"sensitive":false})";

// Framing a transcript line cannot show: white space around a command, a
// carriage return, and a last line without a terminator. The replies
// themselves are in tests/transcripts/dictate_commands.txt.
TEST(DictateCommands, LineFraming) {
  support::RunResult result = support::run({"dictate", "--key", "fn"},
                                           "+7 clipboard\r\n"
                                           "  7   clipboard\t\n"
                                           "\t\n"
                                           "   \n"
                                           "\t8 context \r\n"
                                           "clipboard");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, lines({kReady, kClipboard7, kClipboard7,
                               R"({"event":"context","focused":false,"id":8})",
                               R"({"event":"clipboard","sensitive":false})"}));
}

TEST(DictateCommands, LineThatIsNotUtf8EndsInputAfterPendingReplies) {
  support::RunResult result = support::run(
      {"dictate", "--key", "fn"}, "1 paste\n2 clipboard\n3 \xC3\x28 clipboard\n4 clipboard\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, lines({kReady, R"({"event":"pasted","id":1})",
                               R"({"event":"clipboard","id":2,"sensitive":false})"}));
}

TEST(DictateCommands, KeyEventsAndRepliesShareTheOutput) {
  Dictate d;
  d.expect_ready();
  d.act(fn_down());
  d.command("7 clipboard");
  // Both arrive, each as one whole line, in some order.
  std::vector<std::string> got = {d.line(), d.line()};
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{
                     kClipboard7,
                     R"({"event":"down","flags":"0x800000","keycode":63,"kind":"flags_changed","source_pid":0})"}));
}

}  // namespace
}  // namespace dictate_test
