// Pointer tracking of the annotate mode through the real binary: when it is
// on, the movement threshold, the end of input while tracking, and the
// ordering of "pointer" lines against the lines that switch tracking, over
// randomised input with the pointer always moving.
#include <cmath>
#include <random>
#include <vector>

#include "annotate_fixture.h"

namespace annotate_test {
namespace {

TEST(AnnotatePointer, TrackedWhileShiftIsHeldAloneAndTheButtonIsUp) {
  Annotate a(json{{"input", {{"pointer", {100, 100}}}}});
  a.play({
      {flags(kShift), {shift_line(true, true, 100, 100)}},
      {pointer(101, 100), {pointer_line(101, 100)}},
      // The button pauses tracking; its release resumes from there.
      {input("left_mouse_down"), {button_line(true, 101, 100)}},
      {pointer(110, 110), {}},
  });
  a.expect_quiet(100);
  a.play_on({
      {input("left_mouse_up"), {button_line(false, 110, 110)}},
  });
  a.expect_quiet(100);  // on, but not moved
  a.play_on({
      // 0.5 from the last report is reported, 0.49 is not.
      {pointer(110.5, 110), {pointer_line(110.5, 110)}},
      {pointer(110.99, 110), {}},
  });
  a.expect_quiet(100);
  a.play_on({
      {pointer(110.5, 109.5), {pointer_line(110.5, 109.5)}},
      // Command switches it off; letting command go does not switch it on.
      {flags(kShift | kCommand), {shift_line(true, false, 110.5, 109.5)}},
      {pointer(150, 150), {}},
      {flags(kShift), {}},
      {pointer(160, 160), {}},
  });
  a.expect_quiet(100);
  a.play_on({{flags(0), {shift_line(false, false, 160, 160)}}});
}

TEST(AnnotatePointer, EndOfInputWhileTracking) {
  Annotate a;
  a.play({
      {flags(kShift), {shift_line(true, true, 0, 0)}},
      {pointer(30, 40), {pointer_line(30, 40)}},
      {pointer(35, 40), {}},
  });
  a.child().close_input();
  EXPECT_EQ(a.child().wait(), 0);
}

// What the host can tell from the lines: tracking is on while the last
// "shift" line said held and alone and the last "button" line said up.
// Every "pointer" line must fall while it is on, at least 0.5 from the
// previous report (or from where tracking was switched on).
struct HostView {
  bool gesture = false, button = false;
  double x = 0, y = 0;
  int pointers = 0, switches = 0;

  bool tracking() const { return gesture && !button; }
  void take(const json& line, size_t index) {
    const std::string event = line.value("event", "");
    bool was = tracking();
    if (event == "shift") gesture = line["held"] == true && line["alone"] == true;
    if (event == "button") button = line["state"] == "down";
    if (event == "pointer") {
      ASSERT_TRUE(tracking()) << "pointer line " << index << " while tracking is off";
      double moved = std::hypot(line["x"].get<double>() - x, line["y"].get<double>() - y);
      EXPECT_GE(moved, 0.5) << "line " << index;
      ++pointers;
    }
    if (event == "shift" || event == "button" || event == "pointer") {
      x = line["x"].get<double>();
      y = line["y"].get<double>();
    }
    if (!was && tracking()) ++switches;
    // A line that keeps tracking on does not move the reference point.
    if (was && tracking() && event != "pointer") {
      ADD_FAILURE() << "line " << index << " kept tracking on";
    }
  }
};

TEST(AnnotatePointer, PointerLinesNeverFallOutsideTracking) {
  int pointers = 0, switches = 0;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::mt19937 random(seed);
    Annotate a;
    a.play({});
    double x = 0, y = 0;
    bool shift = false, command = false, button = false;
    // Shift is pressed soon and held long, the button and command held
    // briefly: tracking is on about half the time and switches often.
    auto chance = [&random](unsigned one_in) { return random() % one_in == 0; };
    for (int step = 0; step < 400; ++step) {
      std::uniform_real_distribution<double> delta(-2.0, 2.0);
      x += delta(random);
      y += delta(random);
      a.act(pointer(x, y));
      bool flags_change = false;
      if (chance(shift ? 25 : 6)) shift = !shift, flags_change = true;
      if (chance(command ? 5 : 50)) command = !command, flags_change = true;
      if (flags_change) a.act(flags((shift ? kShift : 0) | (command ? kCommand : 0)));
      if (chance(button ? 5 : 25)) {
        button = !button;
        a.act(input(button ? "left_mouse_down" : "left_mouse_up"));
      }
      if (chance(40)) a.act(input("right_mouse_down"));
      std::this_thread::sleep_for(milliseconds(random() % 5));
    }
    a.child().close_input();
    ASSERT_EQ(a.child().wait(), 0);
    HostView host;
    size_t index = 0;
    while (std::optional<std::string> text = a.child().read_line(milliseconds(1000))) {
      json line = json::parse(*text);
      host.take(line, index++);
      if (HasFatalFailure()) return;
    }
    pointers += host.pointers;
    switches += host.switches;
  }
  // The runs did exercise both sides of the lock.
  EXPECT_GT(pointers, 150);
  EXPECT_GT(switches, 60);
}

}  // namespace
}  // namespace annotate_test
