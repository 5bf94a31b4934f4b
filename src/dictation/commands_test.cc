#include "dictation/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace dictation {
namespace {

using frontmost::platform::AccessibilityResult;
using frontmost::platform::PasteResult;

// Fake operations that count their calls.
struct Fakes {
  PasteResult paste_result;
  json::Value context = json::Value::parse(R"({"focused":false})");
  bool sensitive = false;
  json::Value focus = json::Value::parse(R"({"focused":false})");
  std::vector<int32_t> text_pids;  // the argument of each screen_text call
  AccessibilityResult accessibility = AccessibilityResult::Enabled;
  std::vector<std::pair<int32_t, bool>> accessibility_asked;  // pid, enhanced
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
        [this](int32_t pid, bool enhanced) {
          ++calls;
          accessibility_asked.emplace_back(pid, enhanced);
          return accessibility;
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

TEST(Commands, AppAccessibilityRepliesWithItsResult) {
  Fakes fakes;
  EXPECT_EQ(reply_to("5 app_accessibility 640", fakes),
            R"({"event":"app_accessibility","id":5,"result":"enabled"})");
  fakes.accessibility = AccessibilityResult::NoApp;
  EXPECT_EQ(reply_to("app_accessibility +0720 enhanced", fakes),
            R"({"event":"app_accessibility","result":"no_app"})");
  EXPECT_EQ(fakes.accessibility_asked,
            (std::vector<std::pair<int32_t, bool>>{{640, false}, {720, true}}));
  for (const char* line : {"app_accessibility", "6 app_accessibility 0", "app_accessibility -5",
                           "app_accessibility 2147483648", "app_accessibility  640",
                           "app_accessibility 640  enhanced", "app_accessibility 640 Enhanced",
                           "app_accessibility 640 enhanced x", "app_accessibility 640 manual",
                           "app_accessibility 640\tenhanced", "app_accessibility 640 \tenhanced"}) {
    std::string expected = std::string(R"({"event":"app_accessibility",)") +
                           (line[0] == '6' ? R"("id":6,)" : "") + R"("result":"bad_argument"})";
    EXPECT_EQ(reply_to(line, fakes), expected) << line;
  }
  EXPECT_EQ(fakes.calls, 2);
}

// Over many generated arguments: the operation is asked exactly when the
// argument is a positive pid (written with an optional "+" and leading
// zeros), alone or followed by one space and "enhanced".
TEST(Commands, AppAccessibilityArgumentProperty) {
  const std::vector<std::string> pieces = {"0", "1", "7", "640", "2147483647", "2147483648",
                                           "+", "-", " ", "  ", "enhanced", "enhance", "x",
                                           "\t", "99999999999"};
  std::mt19937 random(24);
  int asked = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string argument;
    for (int n = std::uniform_int_distribution<int>(0, 4)(random); n > 0; --n)
      argument += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
    std::optional<AccessibilityRequest> request = parse_accessibility_request(argument);
    // The canonical text of what was understood, against the argument with
    // its sign and leading zeros taken off.
    std::string plain = argument;
    if (!plain.empty() && plain[0] == '+') plain.erase(0, 1);
    plain.erase(0, std::min(plain.find_first_not_of('0'), plain.size()));
    if (request) {
      ++asked;
      EXPECT_GT(request->pid, 0) << argument;
      EXPECT_EQ(plain, std::to_string(request->pid) + (request->enhanced ? " enhanced" : ""))
          << argument;
    } else {
      for (int64_t pid : {1, 7, 640, 2147483647}) {
        EXPECT_NE(plain, std::to_string(pid)) << argument;
        EXPECT_NE(plain, std::to_string(pid) + " enhanced") << argument;
      }
    }
  }
  EXPECT_GT(asked, 500);  // the generator reaches the accepted forms
}

}  // namespace
}  // namespace dictation
