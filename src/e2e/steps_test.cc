#include "e2e/steps.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace e2e {
namespace {

std::vector<Step> steps_of(std::vector<std::string_view> words) {
  std::vector<Step> steps;
  EXPECT_EQ(parse_steps(words, &steps), "");
  return steps;
}

std::string refusal(std::vector<std::string_view> words) {
  std::vector<Step> steps;
  std::string why = parse_steps(words, &steps);
  EXPECT_TRUE(steps.empty()) << "a refused list must leave the steps alone";
  return why;
}

// The hands-free press of scripts/macos-e2e: the flags a keyboard gives.
TEST(Steps, TheHotkeyAndASpaceCarryTheFlagsOfAKeyboard) {
  std::vector<Step> s = steps_of({"right_option:down", "150ms", "space:down", "space:up",
                                  "right_option:up"});
  ASSERT_EQ(s.size(), 5u);
  EXPECT_TRUE(s[0].is_key && s[0].key.modifier && s[0].key.down);
  EXPECT_EQ(s[0].key.keycode, 61);
  EXPECT_EQ(s[0].key.flags, 0x80140u);  // option, its right-side bit, non-coalesced
  EXPECT_FALSE(s[1].is_key);
  EXPECT_EQ(s[1].pause_ms, 150);
  EXPECT_EQ(s[2].key.keycode, 49);
  EXPECT_FALSE(s[2].key.modifier);
  EXPECT_EQ(s[2].key.flags, 0x80140u);  // the space while option is held
  EXPECT_FALSE(s[3].key.down);
  EXPECT_EQ(s[4].key.flags, 0x100u);
  EXPECT_FALSE(s[4].key.down);
}

TEST(Steps, ShiftAndOptionTogether) {
  std::vector<Step> s = steps_of({"shift:down", "right_option:down", "shift:up", "right_option:up"});
  EXPECT_EQ(s[0].key.flags, 0x20102u);
  EXPECT_EQ(s[1].key.flags, 0xA0142u);
  EXPECT_EQ(s[2].key.flags, 0x80140u);
  EXPECT_EQ(s[3].key.flags, 0x100u);
}

TEST(Steps, WordsThatAreNoStepAreRefused) {
  EXPECT_EQ(refusal({}), "no step to post");
  for (std::string_view word : {"", "space", "space:", "space:press", "fn:down", "Shift:down",
                                ":down", "ms", "-1ms", "5001ms", "1.5ms", "10 ms", "10s", "0x10ms"}) {
    EXPECT_NE(refusal({word}), "") << word;
  }
  EXPECT_EQ(steps_of({"0ms", "5000ms"}).size(), 2u);
}

TEST(Steps, AModifierMustBeUpToGoDownAndDownToGoUp) {
  EXPECT_EQ(refusal({"right_option:up"}), "right_option:up: right_option is not down");
  EXPECT_EQ(refusal({"shift:down", "shift:down"}), "shift:down: shift is already down");
  EXPECT_EQ(refusal({"shift:down", "shift:up", "shift:up"}), "shift:up: shift is not down");
  // The space bar may repeat: it holds no state.
  EXPECT_EQ(steps_of({"space:down", "space:down", "space:up", "space:up"}).size(), 4u);
}

// Property: over generated sequences that keep the modifier rule, each
// event's flags are exactly the modifiers pressed and not yet released.
TEST(Steps, FlagsFollowWhatIsHeldOverGeneratedSequences) {
  std::mt19937 random(25);
  for (int round = 0; round < 500; ++round) {
    bool option = false, shift = false;
    std::vector<std::string> words;
    std::vector<uint64_t> expected;
    for (int n = 1 + int(random() % 12); n > 0; --n) {
      switch (random() % 3) {
        case 0: option = !option; words.push_back(option ? "right_option:down" : "right_option:up"); break;
        case 1: shift = !shift; words.push_back(shift ? "shift:down" : "shift:up"); break;
        default: words.push_back(random() % 2 ? "space:down" : "space:up"); break;
      }
      expected.push_back(0x100 | (option ? 0x80040 : 0) | (shift ? 0x20002 : 0));
    }
    std::vector<std::string_view> views(words.begin(), words.end());
    std::vector<Step> steps = steps_of(views);
    ASSERT_EQ(steps.size(), expected.size());
    for (size_t i = 0; i < steps.size(); ++i) {
      EXPECT_EQ(steps[i].key.flags, expected[i]) << words[i] << " at " << i;
    }
  }
}

}  // namespace
}  // namespace e2e
