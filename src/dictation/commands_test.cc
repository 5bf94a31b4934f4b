#include "dictation/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dictation {
namespace {

using frontmost::platform::PasteResult;

// Fake operations that count their calls.
struct Fakes {
  PasteResult paste_result;
  json::Value context = json::Value::parse(R"({"focused":false})");
  bool sensitive = false;
  json::Value focus = json::Value::parse(R"({"focused":false})");
  std::vector<int32_t> text_pids;  // the argument of each screen_text call
  int calls = 0;

  Operations ops() {
    return {
        [this] { ++calls; return paste_result; },
        [this] { ++calls; return context; },
        [this] { ++calls; return sensitive; },
        [this] { ++calls; return focus; },
        [this](int32_t pid) {
          ++calls;
          text_pids.push_back(pid);
          return json::Value::parse(R"({"before":null,"text":""})");
        },
    };
  }
};

// The reply line as the host would see it, or "" for no reply.
std::string reply_to(const std::string& line, Fakes& fakes) {
  std::optional<Reply> reply = answer(line, fakes.ops());
  if (!reply) return "";
  json::Value out = json::Value::object();
  out["event"] = reply->event;
  if (reply->payload.is_object())
    for (const auto& [key, value] : reply->payload.items()) out[key] = value;
  return out.dump();
}

TEST(Commands, RequestIdIsEchoedOnlyWhenWellFormed) {
  Fakes fakes;
  const std::string with_id = R"({"event":"clipboard","id":7,"sensitive":false})";
  EXPECT_EQ(reply_to("7 clipboard", fakes), with_id);
  EXPECT_EQ(reply_to("  7   clipboard\t", fakes), with_id);
  EXPECT_EQ(reply_to("+7 clipboard", fakes), with_id);
  EXPECT_EQ(reply_to("007 clipboard", fakes), with_id);
  EXPECT_EQ(reply_to("\u3000\u00a07 clipboard\u2028", fakes), with_id);
  EXPECT_EQ(reply_to("18446744073709551615 clipboard", fakes),
            R"({"event":"clipboard","id":18446744073709551615,"sensitive":false})");
  EXPECT_EQ(reply_to("clipboard", fakes), R"({"event":"clipboard","sensitive":false})");

  // Not ids: the first word is then the command word, which is unknown.
  for (const char* line : {"-7 clipboard", "18446744073709551616 clipboard", "+ clipboard",
                           "7a clipboard", "++7 clipboard", "7\tclipboard", "7"}) {
    EXPECT_EQ(reply_to(line, fakes), "") << line;
  }
  EXPECT_EQ(fakes.calls, 7);
}

TEST(Commands, WordsAreExactAndUnknownTextIsIgnored) {
  Fakes fakes;
  for (const char* line : {"", "   ", "\t\n", "Clipboard", "CLIPBOARD", "clip board",
                           "Screen_focus", "screen_text5", "windows", "7 7 clipboard",
                           "copy", "7 copy"}) {
    EXPECT_EQ(reply_to(line, fakes), "") << line;
  }
  EXPECT_EQ(fakes.calls, 0);
  // Arguments of "context" and "clipboard" are ignored.
  EXPECT_EQ(reply_to("clipboard now please", fakes),
            R"({"event":"clipboard","sensitive":false})");
  fakes.sensitive = true;
  EXPECT_EQ(reply_to("3 clipboard", fakes), R"({"event":"clipboard","id":3,"sensitive":true})");
}

TEST(Commands, PasteOutcomesBecomeReplies) {
  Fakes fakes;
  EXPECT_EQ(reply_to("17 paste", fakes), R"({"event":"pasted","id":17})");
  fakes.paste_result = {PasteResult::Outcome::NotConfirmed, ""};
  EXPECT_EQ(reply_to("paste", fakes), R"({"event":"paste_unconfirmed"})");
  fakes.paste_result = {PasteResult::Outcome::Failed, "bad_key"};
  EXPECT_EQ(reply_to("2 paste", fakes), R"({"event":"paste_failed","id":2,"reason":"bad_key"})");
  EXPECT_EQ(fakes.calls, 3);
}

TEST(Commands, TextOfItsOwnIsRefusedWithoutPasting) {
  Fakes fakes;
  const std::string unsupported = R"({"event":"paste_failed","reason":"unsupported_platform"})";
  const std::string bad = R"({"event":"paste_failed","reason":"bad_text"})";
  for (const char* line : {R"(paste "hello")", R"(copy "hello")", R"(paste   "a\"b\u00e9\n" )",
                           "paste \"\"", "copy \t\" \"", R"(paste "\ud83d\ude00")"}) {
    EXPECT_EQ(reply_to(line, fakes), unsupported) << line;
  }
  for (const char* line : {"paste hello", "copy hello", "paste 12", R"(paste {"a":"b"})",
                           R"(paste ["x"])", R"(paste "a" "b")", R"(paste "a)", "paste null",
                           R"(paste 'a')", "paste \"tab\there\"", "paste \xEF\xBB\xBF\"bom\"",
                           R"(paste "\x")", R"(paste "\ud800")", "paste \u00a0\"a\""}) {
    EXPECT_EQ(reply_to(line, fakes), bad) << line;
  }
  EXPECT_EQ(reply_to(R"(9 copy "x")", fakes),
            R"({"event":"paste_failed","id":9,"reason":"unsupported_platform"})");
  EXPECT_EQ(fakes.calls, 0);
}

TEST(Commands, ContextRepliesWithTheOperationsMembers) {
  Fakes fakes;
  EXPECT_EQ(reply_to("4 context", fakes), R"({"event":"context","focused":false,"id":4})");
  fakes.context = json::Value::parse(
      R"({"focused":true,"text_field":true,"secure":false,"before":"a"})");
  EXPECT_EQ(reply_to("context", fakes),
            R"({"before":"a","event":"context","focused":true,"secure":false,"text_field":true})");
  // A payload that is not an object carries no id (and no members).
  fakes.context = json::Value("odd");
  EXPECT_EQ(reply_to("5 context", fakes), R"({"event":"context"})");
}

TEST(Commands, ProcessIdArguments) {
  EXPECT_EQ(parse_pid("123"), 123);
  EXPECT_EQ(parse_pid("-5"), -5);
  EXPECT_EQ(parse_pid("+5"), 5);
  EXPECT_EQ(parse_pid("2147483647"), 2147483647);
  EXPECT_EQ(parse_pid("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(parse_pid("0002147483647"), 2147483647);
  for (const char* text : {"", "+", "-", "2147483648", "-2147483649", "12a", " 5", "5 ",
                           "99999999999999999999", "--5", "0x10"}) {
    EXPECT_EQ(parse_pid(text), std::nullopt) << text;
  }
}

TEST(Commands, ScreenCommandsReplyEvenWithoutAProcessId) {
  Fakes fakes;
  EXPECT_EQ(reply_to("3 screen_focus", fakes), R"({"event":"screen_focus","focused":false,"id":3})");
  fakes.focus = json::Value::parse(R"({"focused":true,"complete":true,"labels":["a"]})");
  EXPECT_EQ(reply_to("screen_focus ignored", fakes),
            R"({"complete":true,"event":"screen_focus","focused":true,"labels":["a"]})");
  EXPECT_EQ(reply_to("screen_text 123", fakes), R"({"before":null,"event":"screen_text","text":""})");
  EXPECT_EQ(reply_to("4 screen_text -5", fakes),
            R"({"before":null,"event":"screen_text","id":4,"text":""})");
  EXPECT_EQ(reply_to("screen_text +7", fakes), R"({"before":null,"event":"screen_text","text":""})");
  EXPECT_EQ(fakes.text_pids, (std::vector<int32_t>{123, -5, 7}));
  // Not a process id: the empty payload, with the id when one was given.
  for (const char* line : {"screen_text 2147483648", "screen_text 12a", "screen_text  5",
                           "screen_text", "screen_text 5x", "screen_text -"}) {
    EXPECT_EQ(reply_to(line, fakes), R"({"event":"screen_text"})") << line;
  }
  EXPECT_EQ(reply_to("9 screen_text", fakes), R"({"event":"screen_text","id":9})");
  EXPECT_EQ(fakes.text_pids.size(), 3u);
  EXPECT_EQ(fakes.calls, 5);
}

TEST(Commands, ArgumentKeepsItsLeadingSpaces) {
  Command command = parse_command(" 12  screen_text  5 ");
  EXPECT_EQ(command.id, 12u);
  EXPECT_EQ(command.word, "screen_text");
  EXPECT_EQ(command.argument, " 5");
}

}  // namespace
}  // namespace dictation
