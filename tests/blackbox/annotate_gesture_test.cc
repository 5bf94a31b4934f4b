// The shift gesture, the left button and key presses of the annotate mode
// through the real binary: what spoils a gesture, other modifiers, secure
// input, state already held at start, and catching up after the system
// disabled the tap. The pointer moves only while tracking is off, so that
// no "pointer" line comes between.
#include "annotate_fixture.h"

namespace annotate_test {
namespace {

TEST(AnnotateGesture, ShiftAloneAndWhatSpoilsIt) {
  Annotate a(json{{"input", {{"pointer", {10, 20}}}}});
  std::vector<Step> steps = {
      {flags(kShift), {shift_line(true, true, 10, 20)}},
      {flags(0), {shift_line(false, true, 10, 20)}},
      {pointer(11.5, -3), {}},
  };
  // A right or other button, or a scroll: no line, no longer alone; also
  // when command comes and goes afterwards.
  for (const char* spoiler : {"right_mouse_down", "other_mouse_down", "scroll_wheel"}) {
    steps.push_back({flags(kShift), {shift_line(true, true, 11.5, -3)}});
    steps.push_back({input(spoiler), {}});
    steps.push_back({flags(0), {shift_line(false, false, 11.5, -3)}});
  }
  steps.push_back({flags(kShift), {shift_line(true, true, 11.5, -3)}});
  steps.push_back({input("scroll_wheel"), {}});
  steps.push_back({flags(kShift | kCommand), {shift_line(true, false, 11.5, -3)}});
  steps.push_back({flags(0), {shift_line(false, false, 11.5, -3)}});
  // With shift up they spoil nothing; caps lock and fn are not modifiers
  // that count.
  steps.push_back({input("right_mouse_down"), {}});
  steps.push_back({flags(kShift | kCapsLock | kFn), {shift_line(true, true, 11.5, -3)}});
  steps.push_back({flags(kCapsLock), {shift_line(false, true, 11.5, -3)}});
  a.play(steps);
}

TEST(AnnotateGesture, OtherModifiers) {
  Annotate a;
  a.play({
      // Command comes and goes while shift stays down.
      {flags(kShift), {shift_line(true, true, 0, 0)}},
      {flags(kShift | kCommand), {shift_line(true, false, 0, 0)}},
      {flags(kShift), {}},
      {flags(0), {shift_line(false, false, 0, 0)}},
      // Shift and option in one change.
      {flags(kShift | kOption), {shift_line(true, false, 0, 0)}},
      {flags(kShift | kOption | kControl), {}},
      {flags(0), {shift_line(false, false, 0, 0)}},
      // Shift joining control; all let go of but command.
      {flags(kControl), {}},
      {flags(kControl | kShift), {shift_line(true, false, 0, 0)}},
      {flags(kCommand), {shift_line(false, false, 0, 0)}},
  });
}

TEST(AnnotateGesture, KeysAndButtonsWhileShiftIsHeld) {
  Annotate a;
  a.play({
      {input("key_down"), {kKeyLine}},
      {flags(kShift), {shift_line(true, true, 0, 0)}},
      // Every key-down, repeats included; key-ups are not asked for.
      // Neither keys nor the left button spoil the gesture.
      {input("key_down", {{"keycode", 0}, {"flags", kShift}}), {kKeyLine}},
      {input("key_down", {{"keycode", 0}, {"autorepeat", true}}), {kKeyLine}},
      {input("key_up", {{"keycode", 0}}), {}},
      {input("key_down", {{"keycode", 11}}), {kKeyLine}},
      {input("left_mouse_down"), {button_line(true, 0, 0)}},
      // A second down without an up between says nothing.
      {input("left_mouse_down", {{"x", 6}, {"y", 7}}), {}},
      {input("left_mouse_up"), {button_line(false, 6, 7)}},
      {flags(0), {shift_line(false, true, 6, 7)}},
  });
  // The tap only listens: everything passes; key-ups never reach it.
  ASSERT_TRUE(a.desktop().sync());
  for (const json& effect : a.desktop().effects("input")) {
    bool key_up = effect.value("type", 0) == 11;
    EXPECT_EQ(effect.value("result", ""), key_up ? "not_delivered" : "passed") << effect;
    EXPECT_EQ(effect.value("tap", ""), key_up ? "" : "listen_only") << effect;
  }
}

TEST(AnnotateGesture, SecureInputIsAskedOnlyAtThePress) {
  Annotate a(json{{"secure_input", true}});
  a.play({
      {flags(kShift), {shift_line(true, true, 0, 0)}},
      {flags(0), {shift_line(false, false, 0, 0)}},
      {{{"action", "secure_input"}, {"on", false}}, {}},
      {flags(kShift), {shift_line(true, true, 0, 0)}},
      {{{"action", "secure_input"}, {"on", true}}, {}},
      {flags(0), {shift_line(false, true, 0, 0)}},
  });
}

TEST(AnnotateGesture, ShiftAndButtonAlreadyHeldAtStart) {
  Annotate a(json{{"input", {{"flags", kShift}, {"left_button", true}, {"pointer", {5, 6}}}}});
  EXPECT_EQ(a.start(), (std::vector<std::string>{button_line(true, 5, 6),
                                                 shift_line(true, true, 5, 6)}));
  a.play_on({
      {pointer(9, 9), {}},
      {input("left_mouse_up"), {button_line(false, 9, 9)}},
      {pointer(12, 9), {pointer_line(12, 9)}},
      // A press learned only by catching up is never alone.
      {flags(0), {shift_line(false, false, 12, 9)}},
  });
}

TEST(AnnotateGesture, CatchingUpAfterTheTapWasDisabled) {
  Annotate a;
  const json timeout = {{"action", "tap_disabled"}, {"by", "timeout"}};
  auto hid_flags = [](uint64_t v) { return json{{"action", "flags"}, {"flags", v}}; };
  auto hid_button = [](bool down) { return json{{"action", "button"}, {"down", down}}; };
  a.play({
      // Shift let go of while the tap was off: reported at the pointer
      // position of the catch-up (moved too little for a "pointer" line).
      {flags(kShift), {shift_line(true, true, 0, 0)}},
      {hid_flags(0), {}},
      {pointer(0.25, 0.25), {}},
      {timeout, {kReenabled, shift_line(false, true, 0.25, 0.25)}},
      // Still down at the catch-up: no line, and no longer alone.
      {flags(kShift), {shift_line(true, true, 0.25, 0.25)}},
      {timeout, {kReenabled}},
      {flags(0), {shift_line(false, false, 0.25, 0.25)}},
      // The button let go of, then the button and shift pressed, unseen.
      {input("left_mouse_down"), {button_line(true, 0.25, 0.25)}},
      {hid_button(false), {}},
      {{{"action", "tap_disabled"}, {"by", "user_input"}},
       {kReenabled, button_line(false, 0.25, 0.25)}},
      {hid_button(true), {}},
      {hid_flags(kShift), {}},
      {timeout, {kReenabled, button_line(true, 0.25, 0.25), shift_line(true, true, 0.25, 0.25)}},
      // No event for the catch-up: it is skipped without a line.
      {{{"action", "fail_events"}, {"kind", "plain"}, {"count", 1}}, {}},
      {hid_button(false), {}},
      {timeout, {kReenabled}},
      {flags(0), {shift_line(false, false, 0.25, 0.25)}},
  });
}

}  // namespace
}  // namespace annotate_test
