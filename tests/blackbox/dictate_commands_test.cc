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

TEST(DictateCommands, RepliesInOrderOnTheEmptyDesktop) {
  const std::string input =
      "7 clipboard\n"
      "+7 clipboard\r\n"
      "-7 clipboard\n"
      "18446744073709551616 clipboard\n"
      "42\n"
      "  7   clipboard\t\n"
      "\n"
      "   \n"
      "Clipboard\n"
      "paste \"some text\"\n"
      "3 paste some text\n"
      "copy\n"
      "copy \"x\"\n"
      "screen_focus\n"
      "screen_text 5\n"
      "context\n"
      "8 context\n"
      "9 paste\n"
      "clipboard";  // a last line without a terminator still counts
  support::RunResult result = support::run({"dictate", "--key", "fn"}, input);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            lines({kReady, kClipboard7, kClipboard7, kClipboard7,
                   R"({"event":"paste_failed","reason":"unsupported_platform"})",
                   R"({"event":"paste_failed","id":3,"reason":"bad_text"})",
                   R"({"event":"paste_failed","reason":"unsupported_platform"})",
                   R"({"event":"screen_focus","focused":false})", R"({"event":"screen_text"})",
                   R"({"event":"context","focused":false})",
                   R"({"event":"context","focused":false,"id":8})",
                   R"({"event":"pasted","id":9})",
                   R"({"event":"clipboard","sensitive":false})"}));
}

TEST(DictateCommands, LineThatIsNotUtf8EndsInputAfterPendingReplies) {
  support::RunResult result = support::run(
      {"dictate", "--key", "fn"}, "1 paste\n2 clipboard\n3 \xC3\x28 clipboard\n4 clipboard\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, lines({kReady, R"({"event":"pasted","id":1})",
                               R"({"event":"clipboard","id":2,"sensitive":false})"}));
}

TEST(DictateCommands, ClipboardSeesConcealedData) {
  support::Desktop desktop(
      json{{"pasteboard", {{"types", {"public.utf8-plain-text", "org.nspasteboard.ConcealedType"}}}}});
  support::RunResult result =
      support::run({"dictate", "--key", "fn"}, "7 clipboard\n", desktop.env());
  EXPECT_EQ(result.out, lines({kReady, R"({"event":"clipboard","id":7,"sensitive":true})"}));
}

TEST(DictateCommands, ContextDescribesTheCaret) {
  json field = {{"id", "field"},
                {"attributes",
                 {{"AXRole", "AXTextField"},
                  {"AXValue", "hello"},
                  {"AXSelectedTextRange", {{"range", {2, 0}}}}}}};
  json desktop = {
      {"applications",
       {{{"pid", 500}, {"ui", {{"id", "app"}, {"attributes", {{"AXRole", "AXApplication"}}},
                               {"children", {field}}}}}}},
      {"focus", "field"}};
  Dictate d(desktop);
  d.expect_ready();
  d.command("16 context");
  EXPECT_EQ(d.line(),
            R"({"before":"e","event":"context","focused":true,"id":16,"secure":false,"text_field":true})");
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
