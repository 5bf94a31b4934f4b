// Applications that answer more than they are asked, labels and titles that
// are long file names, and a monotonic clock pushed to its end, through the
// real binary: what reaches the host stays within what it was promised.
#include "dictate_fixture.h"

#include <cstdint>
#include <limits>

namespace dictate_test {
namespace {

json element(const std::string& id, json attributes, json extra = json::object()) {
  json e = {{"id", id}, {"attributes", std::move(attributes)}};
  for (auto& [key, value] : extra.items()) e[key] = value;
  return e;
}

// Application 501 with one window around `field`, which has the focus.
json desktop_with(json field, std::string window_title = "Notes") {
  json window = element("window", {{"AXRole", "AXWindow"},
                                   {"AXTitle", std::move(window_title)},
                                   {"AXFrame", {{"rect", {0, 0, 1000, 800}}}}},
                        {{"children", {std::move(field)}}});
  json app = {{"pid", 501},
              {"bundle_id", "com.example.notes"},
              {"name", "Notes"},
              {"ui", element("app", {{"AXRole", "AXApplication"}}, {{"children", {window}}})}};
  // The reports must be complete however long the helper takes over
  // megabytes on a loaded machine.
  return support::with_still_clock({{"applications", {app}}, {"focus", "field"}});
}

// A text field with the caret at `caret` whose application answers every
// "AXStringForRange" with `answer`, whatever the range.
json over_answering_field(int64_t caret, const std::string& answer) {
  return element("field",
                 {{"AXRole", "AXTextField"},
                  {"AXValue", std::string(static_cast<size_t>(caret), 'x')},
                  {"AXSelectedTextRange", {{"range", {caret, 0}}}},
                  {"AXFrame", {{"rect", {10, 300, 400, 30}}}}},
                 {{"parameterized", {{"AXStringForRange", answer}}}});
}

size_t utf16_units(const std::string& utf8) {
  size_t units = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

// The first `n` UTF-16 units of UTF-8 text, as UTF-8; half a pair is U+FFFD.
std::string first_units(const std::string& utf8, size_t n) {
  std::string out;
  for (size_t i = 0; i < utf8.size() && n > 0;) {
    auto b = static_cast<unsigned char>(utf8[i]);
    size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (length == 4 && n == 1) return out + "\uFFFD";
    out += utf8.substr(i, length);
    n -= length == 4 ? 2 : 1;
    i += length;
  }
  return out;
}

// Desktops with megabytes of text load slowly under the sanitizers: the
// waits here are generous, since they only bound a hang.
constexpr std::chrono::milliseconds kSlowWait{60000};

json reply(Dictate& d, const std::string& command, size_t* size = nullptr) {
  d.command(command);
  std::string line = d.line(kSlowWait);
  if (size) *size = line.size();
  return json::parse(line, nullptr, false);
}

// The whole document for any range: "context" still shows one unit before
// the caret, and "screen_text" at most the 150 asked for, cut to a word as
// usual when the caret is far into the text; small documents and 4 MB ones.
TEST(HostileApplication, AnswersBeyondTheRangeAskedAreCutToIt) {
  std::string small = "Dear team, the quarterly plan is attached. ";
  while (small.size() < 273) small += "Please read it before Friday. ";
  small.resize(273);
  std::string huge;
  while (huge.size() < 4'000'000) huge += "lorem ipsum dolor sit amet \u00e9t\u00e9 \U0001F600 ";

  struct Case {
    std::string answer;
    int64_t caret;
  };
  for (const Case& c : {Case{small, 40}, Case{small, 500}, Case{huge, 40}, Case{huge, 500},
                        Case{huge, 3'000'000}}) {
    SCOPED_TRACE("answer of " + std::to_string(c.answer.size()) + " bytes, caret " +
                 std::to_string(c.caret));
    Dictate d(desktop_with(over_answering_field(c.caret, c.answer)));
    ASSERT_EQ(d.line(kSlowWait), R"({"event":"ready"})");

    // (Sizes first: a failure must not print megabytes.)
    size_t size = 0;
    json context = reply(d, "context", &size);
    ASSERT_LT(size, 200u);
    ASSERT_TRUE(context["before"].is_string()) << context.dump();
    EXPECT_EQ(context["before"], c.answer.substr(0, 1));

    ASSERT_EQ(reply(d, "screen_focus").value("complete", false), true);
    json text = reply(d, "screen_text 501", &size);
    ASSERT_LT(size, 2000u);
    ASSERT_TRUE(text["before"].is_string()) << text.dump();
    std::string before = text["before"];
    EXPECT_LE(utf16_units(before), 150u);
    if (c.caret <= 150) {
      EXPECT_EQ(before, first_units(c.answer, static_cast<size_t>(c.caret)));
    } else {
      // The first 150 units of the answer without the first, cut word.
      std::string asked = first_units(c.answer, 150);
      EXPECT_EQ(before, asked.substr(asked.find(' ') + 1));
    }
  }
}

// A label or window title that is one long word with digits in it (a file
// name, a path) keeps its two ends instead of disappearing.
TEST(HostileApplication, LongFileNamesShowBothEnds) {
  std::string name = "2024-report-" + std::string(300, 'q') + "-v2.pdf";
  std::string path = "/Users/me/Projects/2025/" + std::string(600, 'p') + "/notes-v3.txt";
  json field = element("field", {{"AXRole", "AXTextField"},
                                 {"AXTitle", name},
                                 {"AXFrame", {{"rect", {10, 300, 400, 30}}}}});
  Dictate d(desktop_with(field, path));
  d.expect_ready();
  json focus = reply(d, "screen_focus");
  EXPECT_EQ(focus["labels"],
            json::array({name.substr(0, 100) + " \u2026 " + name.substr(name.size() - 100)}));
  EXPECT_EQ(focus["window_title"],
            path.substr(0, 250) + " \u2026 " + path.substr(path.size() - 250));
}

// The simulated monotonic clock moved to within a second of the last instant
// it can show: a press still opens the one-second hands-free window, its end
// held at that last instant rather than wrapped into the past.
TEST(HostileApplication, DeadlinesNearTheClocksEndStayAhead) {
  json field = element("field", {{"AXRole", "AXTextField"},
                                 {"AXTitle", "Subject"},
                                 {"AXFrame", {{"rect", {10, 300, 400, 30}}}}});
  Dictate d(desktop_with(field));
  d.expect_ready();
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  int64_t left_ms = (std::numeric_limits<int64_t>::max() -
                     std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) /
                        1'000'000 -
                    950;
  while (left_ms > 0) {
    int64_t step = std::min<int64_t>(left_ms, 4'000'000'000'000);
    d.act({{"action", "clock"}, {"advance_ms", step}});
    left_ms -= step;
  }
  ASSERT_TRUE(d.desktop().sync());
  d.act(fn_down());
  d.act(space_down());
  EXPECT_EQ(d.line(), R"({"event":"down","flags":"0x800000","keycode":63,"kind":"flags_changed","source_pid":0})");
  EXPECT_EQ(d.line(), R"({"event":"hands_free","flags":"0x800000","kind":"key_down","source_pid":0})");
  d.act(fn_up());
  EXPECT_NE(d.line().find(R"("event":"up")"), std::string::npos);
}

}  // namespace
}  // namespace dictate_test
