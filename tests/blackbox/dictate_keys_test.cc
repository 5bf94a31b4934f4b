// Key events of the dictate mode through the real binary: the hotkey state
// machine, hands-free spaces withheld from applications, secure input, and
// the tap re-enable.
#include "dictate_fixture.h"

namespace dictate_test {
namespace {

const std::string kFnDown =
    R"({"event":"down","flags":"0x800000","keycode":63,"kind":"flags_changed","source_pid":0})";
const std::string kFnUp =
    R"({"cause":"key_event","event":"up","flags":"0x0","keycode":63,"kind":"flags_changed","source_pid":0})";
const std::string kEscapeLine =
    R"({"event":"escape","flags":"0x0","kind":"key_down","source_pid":0})";

void sleep_ms(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

// The lines of the key events are in tests/transcripts/dictate_keys.txt;
// here what reaches applications.
TEST(DictateKeys, EscapeIsNotWithheld) {
  Dictate d;
  d.expect_ready();
  d.act(escape_down());
  EXPECT_EQ(d.line(), kEscapeLine);
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kEscapeKey), std::vector<std::string>{"10:passed"});
}

TEST(DictateKeys, QuickSpaceIsHandsFreeAndWithheldToItsKeyUp) {
  Dictate d;
  d.expect_ready();
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  sleep_ms(300);
  d.act(space_down());
  EXPECT_EQ(d.line(), R"({"event":"hands_free","flags":"0x800000","kind":"key_down","source_pid":0})");
  d.act(space_down(true));
  d.act(space_down(true));
  d.act(input(kKeyUp, kSpaceKey, kFnFlag));
  d.act(fn_up());
  EXPECT_EQ(d.line(), kFnUp);
  // The next space press, with nothing held, reaches applications again.
  d.act(input(kKeyDown, kSpaceKey, 0));
  d.act(input(kKeyUp, kSpaceKey, 0));
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kSpaceKey), (std::vector<std::string>{"10:withheld", "10:withheld",
                                                         "10:withheld", "11:withheld",
                                                         "10:passed", "11:passed"}));
}

TEST(DictateKeys, HotkeyReleasedBeforeTheSpaceKeyUpStillWithholdsIt) {
  Dictate d;
  d.expect_ready();
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  d.act(space_down());
  EXPECT_EQ(d.line(), R"({"event":"hands_free","flags":"0x800000","kind":"key_down","source_pid":0})");
  d.act(fn_up());
  EXPECT_EQ(d.line(), kFnUp);
  d.act(input(kKeyUp, kSpaceKey, 0));
  d.act(input(kKeyDown, kSpaceKey, 0));
  d.act(input(kKeyUp, kSpaceKey, 0));
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kSpaceKey), (std::vector<std::string>{"10:withheld", "11:withheld",
                                                         "10:passed", "11:passed"}));
}

TEST(DictateKeys, LateSpaceIsAChordAndReachesTheApplication) {
  Dictate d;
  d.expect_ready();
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  sleep_ms(1500);
  d.act(space_down());
  const std::string chord =
      R"({"event":"chord","flags":"0x800000","kind":"key_down","source_pid":0})";
  EXPECT_EQ(d.line(), chord);
  d.act(input(kKeyUp, kSpaceKey, kFnFlag));
  // Another modifier while held is a chord too, with its key code.
  d.act(input(kFlagsChanged, 56, kFnFlag | kShiftFlag));
  EXPECT_EQ(d.line(),
            R"({"event":"chord","flags":"0x820000","keycode":56,"kind":"flags_changed","source_pid":0})");
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kSpaceKey), (std::vector<std::string>{"10:passed", "11:passed"}));
}

TEST(DictateKeys, AnythingBeforeTheSpaceClosesTheWindow) {
  Dictate d;
  d.expect_ready();
  const std::string chord =
      R"({"event":"chord","flags":"0x800000","kind":"key_down","source_pid":0})";
  // A letter first: both it and the space are chords.
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  d.act(input(kKeyDown, kLetterA, kFnFlag));
  d.act(space_down());
  EXPECT_EQ(d.line(), chord);
  EXPECT_EQ(d.line(), chord);
  d.act(fn_up());
  EXPECT_EQ(d.line(), kFnUp);
  // An escape while held is reported and closes the window as well.
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  d.act(input(kKeyDown, kEscapeKey, kFnFlag));
  EXPECT_EQ(d.line(), R"({"event":"escape","flags":"0x800000","kind":"key_down","source_pid":0})");
  d.act(space_down());
  EXPECT_EQ(d.line(), chord);
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kSpaceKey), (std::vector<std::string>{"10:passed", "10:passed"}));
}

TEST(DictateKeys, SecureInputAtThePressSilencesEverythingButEscape) {
  Dictate d(json{{"secure_input", true}});
  d.expect_ready();
  d.act(fn_down());
  EXPECT_EQ(d.line(),
            R"({"event":"down","flags":"0x800000","keycode":63,"kind":"flags_changed",)"
            R"("secure":true,"source_pid":0})");
  d.act(space_down());
  d.act(input(kKeyUp, kSpaceKey, kFnFlag));
  d.act(input(kKeyDown, kLetterA, kFnFlag));
  d.act(escape_down());
  EXPECT_EQ(d.line(), kEscapeLine);
  d.act(fn_up());
  // Secure input is sampled afresh at the next press.
  d.act({{"action", "secure_input"}, {"on", false}});
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  d.act(space_down());
  EXPECT_EQ(d.line(), R"({"event":"hands_free","flags":"0x800000","kind":"key_down","source_pid":0})");
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kSpaceKey), (std::vector<std::string>{"10:passed", "11:passed", "10:withheld"}));
}

TEST(DictateKeys, TapReenabledClosesAChordReleasedMeanwhile) {
  Dictate d;
  d.expect_ready();
  // Nothing held: only the notice.
  d.act({{"action", "tap_disabled"}, {"by", "user_input"}});
  EXPECT_EQ(d.line(), R"({"disabled_by":"user_input","event":"tap_reenabled","flags":"0x0"})");
  // Held and still down: only the notice.
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
  d.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(d.line(), R"({"disabled_by":"timeout","event":"tap_reenabled","flags":"0x800000"})");
  // Released while the tap was off: the notice, then "up".
  d.act({{"action", "flags"}, {"flags", 0x100}});
  d.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(d.line(), R"({"disabled_by":"timeout","event":"tap_reenabled","flags":"0x100"})");
  EXPECT_EQ(d.line(),
            R"({"cause":"tap_reenabled","disabled_by":"timeout","event":"up","flags":"0x100"})");
  // The tap works again, and nothing is held any more.
  d.act(fn_up());
  d.act(fn_down());
  EXPECT_EQ(d.line(), kFnDown);
}

TEST(DictateKeys, KeysThatNeverPressStillReportEscape) {
  Dictate d(json::object(), "right_alt");
  d.expect_ready();
  d.act(fn_down());
  d.act(input(kFlagsChanged, 61, 0x80040));
  d.act(input(kKeyDown, kSpaceKey, 0));
  d.act(escape_down());
  EXPECT_EQ(d.line(), kEscapeLine);
}

TEST(DictateKeys, ControlThenOptionPressesUnderFnOrControlOption) {
  Dictate d(json::object(), "fn_or_control_option");
  d.expect_ready();
  d.act(input(kFlagsChanged, 59, 0x40000));
  d.act(input(kFlagsChanged, 58, 0xC0000));
  EXPECT_EQ(d.line(),
            R"({"event":"down","flags":"0xc0000","keycode":58,"kind":"flags_changed","source_pid":0})");
  d.act(input(kFlagsChanged, 58, 0x40000));
  EXPECT_EQ(d.line(),
            R"({"cause":"key_event","event":"up","flags":"0x40000","keycode":58,)"
            R"("kind":"flags_changed","source_pid":0})");
}

}  // namespace
}  // namespace dictate_test
