// The shift gesture, the left button and key presses of the annotate mode
// through the real binary: what spoils a gesture, other modifiers, secure
// input, state already held at start, and catching up after the system
// disabled the tap.
#include "annotate_fixture.h"

namespace annotate_test {
namespace {

json at(json action, double x, double y) {
  action["x"] = x;
  action["y"] = y;
  return action;
}

TEST(AnnotateGesture, ShiftAloneAndWhatSpoilsIt) {
  Annotate a(json{{"input", {{"pointer", {10, 20}}}}});
  a.expect_ready();
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(), shift_line(true, true, 10, 20));
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, true, 10, 20));
  // (The pointer moves only while tracking is off, so that no "pointer"
  // line comes between.)
  a.act(pointer(11.5, -3));

  // A right or other button or a scroll: no line, but no longer alone.
  for (const char* spoiler : {"right_mouse_down", "other_mouse_down", "scroll_wheel"}) {
    a.act(flags_input(kShift));
    EXPECT_EQ(a.line(), shift_line(true, true, 11.5, -3)) << spoiler;
    a.act(event_input(spoiler));
    a.act(flags_input(0));
    EXPECT_EQ(a.line(), shift_line(false, false, 11.5, -3)) << spoiler;
  }
  // Not held: they spoil nothing for the next press. Caps lock and the
  // function key do not count as other modifiers.
  a.act(event_input("right_mouse_down"));
  a.act(event_input("scroll_wheel"));
  a.act(flags_input(kShift | kCapsLock | 0x800000));
  EXPECT_EQ(a.line(), shift_line(true, true, 11.5, -3));
  a.act(flags_input(kCapsLock));
  EXPECT_EQ(a.line(), shift_line(false, true, 11.5, -3));
}

TEST(AnnotateGesture, OtherModifiers) {
  Annotate a;
  a.expect_ready();
  // Command joins and leaves while shift stays down.
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(), shift_line(true, true, 0, 0));
  a.act(flags_input(kShift | kCommand));
  EXPECT_EQ(a.line(), shift_line(true, false, 0, 0));
  a.act(flags_input(kShift));
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, false, 0, 0));
  // Shift and option in one change, then control and option on their own.
  a.act(flags_input(kShift | kOption));
  EXPECT_EQ(a.line(), shift_line(true, false, 0, 0));
  a.act(flags_input(kShift | kOption | kControl));
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, false, 0, 0));
  a.act(flags_input(kControl | kOption));
  a.act(flags_input(kControl));
  a.act(flags_input(kControl | kShift));
  EXPECT_EQ(a.line(), shift_line(true, false, 0, 0));
  a.act(flags_input(kShift));
  a.act(flags_input(kShift | kCommand));
  a.act(flags_input(kCommand));
  EXPECT_EQ(a.line(), shift_line(false, false, 0, 0));
}

TEST(AnnotateGesture, KeysAndButtonsWhileShiftIsHeld) {
  Annotate a;
  a.expect_ready();
  a.act(event_input("key_down"));
  EXPECT_EQ(a.line(), kKeyLine);
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(), shift_line(true, true, 0, 0));
  // Every key-down, repeats included, is a "key" line; key-ups are not
  // asked for. Letters do not spoil the gesture: the host judges.
  a.act({{"action", "input"}, {"type", "key_down"}, {"keycode", 0}, {"flags", kShift}});
  EXPECT_EQ(a.line(), kKeyLine);
  a.act({{"action", "input"}, {"type", "key_down"}, {"keycode", 0}, {"autorepeat", true}});
  EXPECT_EQ(a.line(), kKeyLine);
  a.act({{"action", "input"}, {"type", "key_up"}, {"keycode", 0}});
  a.act({{"action", "input"}, {"type", "key_down"}, {"keycode", 11}});
  EXPECT_EQ(a.line(), kKeyLine);
  // The left button does not spoil it either; a second down without an up
  // between says nothing.
  a.act(event_input("left_mouse_down"));
  EXPECT_EQ(a.line(), button_line(true, 0, 0));
  a.act(at(event_input("left_mouse_down"), 6, 7));
  a.act(event_input("left_mouse_up"));
  EXPECT_EQ(a.line(), button_line(false, 6, 7));
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, true, 6, 7));
  // The tap only listens; key-ups never reach it.
  ASSERT_TRUE(a.desktop().sync());
  for (const json& effect : a.desktop().effects("input")) {
    bool key_up = effect.value("type", 0) == 11;
    EXPECT_EQ(effect.value("tap", ""), key_up ? "" : "listen_only") << effect.dump();
    EXPECT_EQ(effect.value("result", ""), key_up ? "not_delivered" : "passed") << effect.dump();
  }
}

TEST(AnnotateGesture, SecureInputIsLookedAtOnlyAtThePress) {
  Annotate a(json{{"secure_input", true}});
  a.expect_ready();
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(), shift_line(true, true, 0, 0));
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, false, 0, 0));
  // Asked afresh at the next press; turning on later spoils nothing.
  a.act({{"action", "secure_input"}, {"on", false}});
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(), shift_line(true, true, 0, 0));
  a.act({{"action", "secure_input"}, {"on", true}});
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, true, 0, 0));
}

TEST(AnnotateGesture, ShiftAndButtonAlreadyHeldAtStart) {
  Annotate a(json{{"input", {{"flags", kShift}, {"left_button", true}, {"pointer", {5, 6}}}}});
  a.expect_ready();
  EXPECT_EQ(a.line(), button_line(true, 5, 6));
  EXPECT_EQ(a.line(), shift_line(true, true, 5, 6));
  // The button pauses tracking; its release starts it where it happened.
  a.act(pointer(9, 9));
  sleep_ms(60);
  a.act(event_input("left_mouse_up"));
  EXPECT_EQ(a.line(), button_line(false, 9, 9));
  a.act(pointer(12, 9));
  EXPECT_EQ(a.line(), pointer_line(12, 9));
  // A press learned only by catching up is never alone.
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, false, 12, 9));
}

TEST(AnnotateGesture, CatchingUpAfterTheTapWasDisabled) {
  Annotate a;
  a.expect_ready();
  // Shift released while the tap was off: the catch-up reports it, at the
  // pointer position of the catch-up (a move too small for a "pointer"
  // line).
  a.act(at(flags_input(kShift), 1, 2));
  EXPECT_EQ(a.line(), shift_line(true, true, 1, 2));
  a.act({{"action", "flags"}, {"flags", 0}});
  a.act(pointer(1.25, 2.25));
  a.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(a.raw(), kReenabled);
  EXPECT_EQ(a.line(), shift_line(false, true, 1.25, 2.25));
  // Shift still down at the catch-up: no line, and no longer alone.
  a.act(flags_input(kShift));
  EXPECT_EQ(a.line(), shift_line(true, true, 1.25, 2.25));
  a.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(a.raw(), kReenabled);
  a.act(flags_input(0));
  EXPECT_EQ(a.line(), shift_line(false, false, 1.25, 2.25));
  // The button let go of while the tap was off; pressed while it was off.
  a.act(event_input("left_mouse_down"));
  EXPECT_EQ(a.line(), button_line(true, 1.25, 2.25));
  a.act({{"action", "button"}, {"down", false}});
  a.act({{"action", "tap_disabled"}, {"by", "user_input"}});
  EXPECT_EQ(a.raw(), kReenabled);
  EXPECT_EQ(a.line(), button_line(false, 1.25, 2.25));
  a.act({{"action", "button"}, {"down", true}});
  a.act({{"action", "flags"}, {"flags", kShift}});
  a.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(a.raw(), kReenabled);
  EXPECT_EQ(a.line(), button_line(true, 1.25, 2.25));
  EXPECT_EQ(a.line(), shift_line(true, true, 1.25, 2.25));
  // No event can be made for the catch-up: it is skipped without a line.
  a.act({{"action", "fail_events"}, {"kind", "plain"}, {"count", 1}});
  a.act({{"action", "button"}, {"down", false}});
  a.act({{"action", "tap_disabled"}, {"by", "timeout"}});
  EXPECT_EQ(a.raw(), kReenabled);
  a.act(at(flags_input(0), 8, 8));
  EXPECT_EQ(a.line(), shift_line(false, false, 8, 8));
}

}  // namespace
}  // namespace annotate_test
