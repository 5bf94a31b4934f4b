// Behaviours of a real Mac that the dictate mode must survive: Accessibility
// taken away while the tap runs, the helper's own Command+V passing its own
// tap, and a held right-side hotkey whose device bit the flag state misses.
#include <thread>

#include "dictate_fixture.h"

namespace dictate_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRightOptionKey = 61;
constexpr uint64_t kRightOptionFlags = 0x80040;
constexpr int kVKey = 9;

std::vector<json> effects_named(support::Desktop& desktop, const std::string& name) {
  return desktop.effects(name);
}

// The user switches the helper's Accessibility entry off while the hotkey is
// held. The tap stops getting input, which is held system-wide until the
// time-out notice; the helper must then give the tap up instead of turning
// it back on (which would hold the input again), say "denied" and end.
TEST(DictateMacFaults, AccessibilityWithdrawnEndsWithDeniedAndHoldsNothing) {
  constexpr int kTimeoutMs = 1000;
  support::Desktop desktop(json{{"tap_timeout_ms", kTimeoutMs}});
  support::Child helper({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(helper.read_line().value_or(""), R"({"event":"ready"})");
  desktop.act(fn_down());
  ASSERT_EQ(helper.read_line().value_or("").find(R"("event":"down")") != std::string::npos, true);

  desktop.act({{"action", "permissions"}, {"accessibility", false}});
  desktop.act(input(kKeyDown, kLetterA, kFnFlag));
  // The notice comes tap_timeout_ms after the withdrawal; the helper must be
  // gone well before a tap turned on again could stall for another time-out
  // (the bound is loose: a loaded machine takes its time).
  auto give_up = Clock::now() + milliseconds(5000);
  while (effects_named(desktop, "tap_disabled").empty() && Clock::now() < give_up) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  auto notice = Clock::now();
  ASSERT_FALSE(effects_named(desktop, "tap_disabled").empty());
  int status = helper.wait(milliseconds(3000));
  auto gone = Clock::now();
  EXPECT_EQ(status, 3);
  EXPECT_LT(gone - notice, milliseconds(kTimeoutMs / 2));
  EXPECT_EQ(helper.read_line().value_or(""), R"({"event":"denied"})");
  EXPECT_EQ(helper.read_line(milliseconds(100)), std::nullopt);
  EXPECT_EQ(helper.err(), "");

  // The letter waited at the stalled tap; the tap stalled once and was
  // never turned on again after the notice.
  std::vector<json> log = desktop.log();
  std::vector<std::string> kinds;
  for (const json& effect : log) {
    std::string kind = effect.value("effect", "");
    if (kind == "input" && effect.value("keycode", -1) == kLetterA)
      kinds.push_back("input:" + effect.value("result", ""));
    if (kind == "tap_stalled" || kind == "tap_disabled") kinds.push_back(kind);
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"tap_stalled", "input:held", "tap_disabled"}));
}

// Withdrawn and given back before the time-out: the input that waited is
// lost to applications, but the session goes on.
TEST(DictateMacFaults, AccessibilityGivenBackInTimeKeepsTheSession) {
  Dictate d(json{{"tap_timeout_ms", 5000}});
  d.expect_ready();
  d.act({{"action", "permissions"}, {"accessibility", false}});
  d.act(input(kKeyDown, kLetterA, 0));
  d.act({{"action", "permissions"}, {"accessibility", true}});
  d.act(fn_down());
  EXPECT_NE(d.line().find(R"("event":"down")"), std::string::npos);
  ASSERT_TRUE(d.desktop().sync());
  EXPECT_EQ(d.results(kLetterA), std::vector<std::string>{"10:held"});
}

// A time-out with the permission still there is only a slow callback: the
// tap goes back on as before.
TEST(DictateMacFaults, TimeOutWithThePermissionReEnables) {
  Dictate d;
  d.expect_ready();
  d.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(d.line(), R"({"disabled_by":"timeout","event":"tap_reenabled","flags":"0x0"})");
  d.act(fn_down());
  EXPECT_NE(d.line().find(R"("event":"down")"), std::string::npos);
}

// "paste" while the user still holds fn: the helper's Command+V passes its
// own tap on the way in, and must not count as a chord of the held hotkey.
TEST(DictateMacFaults, OwnCommandVDuringAHeldHotkeyIsNoChord) {
  Dictate d;
  d.expect_ready();
  d.act(fn_down());
  EXPECT_NE(d.line().find(R"("event":"down")"), std::string::npos);
  d.command("4 paste");
  EXPECT_EQ(d.line(), R"({"event":"pasted","id":4})");
  // Someone else's V while fn is held is still a chord.
  d.act(input(kKeyDown, kVKey, kFnFlag, {{"source_pid", 4242}}));
  EXPECT_NE(d.line().find(R"("event":"chord")"), std::string::npos);
  d.act(fn_up());
  EXPECT_NE(d.line().find(R"("event":"up")"), std::string::npos);
  ASSERT_TRUE(d.desktop().sync());
  // Both posted keys went through the active tap and on to the application.
  std::vector<std::string> seen = d.results(kVKey);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 2),
            (std::vector<std::string>{"10:passed", "11:passed"}));
}

// Right option held; the system's flag state then misses its device bit
// (seen on recent systems in a process with an active tap). A re-enable
// must not end the dictation while the key itself is down.
TEST(DictateMacFaults, HeldRightOptionSurvivesAFlagStateWithoutDeviceBits) {
  Dictate d(json::object(), "right_option");
  d.expect_ready();
  d.act(input(kFlagsChanged, kRightOptionKey, kRightOptionFlags));
  EXPECT_NE(d.line().find(R"("event":"down")"), std::string::npos);
  d.act({{"action", "hid_device_bits"}, {"on", false}});
  d.act({{"action", "tap_disabled"}, {"by", "user_input"}});
  EXPECT_EQ(d.line(), R"({"disabled_by":"user_input","event":"tap_reenabled","flags":"0x80000"})");
  // The next line is the real release, not an "up" from the re-enable.
  d.act(input(kFlagsChanged, kRightOptionKey, 0));
  std::string up = d.line();
  EXPECT_NE(up.find(R"("cause":"key_event")"), std::string::npos) << up;
  // Released while the tap was off: the key state and the flags agree.
  d.act(input(kFlagsChanged, kRightOptionKey, kRightOptionFlags));
  EXPECT_NE(d.line().find(R"("event":"down")"), std::string::npos);
  d.act({{"action", "flags"}, {"flags", 0}});
  d.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(d.line(), R"({"disabled_by":"timeout","event":"tap_reenabled","flags":"0x0"})");
  EXPECT_EQ(d.line(), R"({"cause":"tap_reenabled","disabled_by":"timeout","event":"up","flags":"0x0"})");
}

}  // namespace
}  // namespace dictate_test
