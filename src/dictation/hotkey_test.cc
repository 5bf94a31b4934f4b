#include "dictation/hotkey.h"

#include <gtest/gtest.h>

#include "platform/cg_event.h"

namespace dictation {
namespace {

using Kind = KeyAction::Kind;
constexpr uint32_t kLeftDown = 1, kRightDown = 3, kKeyDown = 10, kKeyUp = 11,
                   kFlags = 12, kOtherDown = 25, kScroll = 22;
constexpr uint64_t kCtl = cg::kFlagControl, kOpt = cg::kFlagAlternate,
                   kFnF = cg::kFlagSecondaryFn, kShift = cg::kFlagShift,
                   kROpt = cg::kFlagDeviceRightAlternate, kRCmd = cg::kFlagDeviceRightCommand,
                   kRCtl = cg::kFlagDeviceRightControl;

std::optional<Kind> kind(std::optional<KeyAction> a) {
  if (!a) return std::nullopt;
  return a->kind;
}

TEST(HotkeyWords, SevenWordsExactlyAndNoneForControlOption) {
  EXPECT_EQ(hotkey_from_word("fn_or_control_option"), Hotkey::FnOrControlOption);
  EXPECT_EQ(hotkey_from_word("fn"), Hotkey::Fn);
  EXPECT_EQ(hotkey_from_word("right_option"), Hotkey::RightOption);
  EXPECT_EQ(hotkey_from_word("right_command"), Hotkey::RightCommand);
  EXPECT_EQ(hotkey_from_word("right_control"), Hotkey::RightControl);
  EXPECT_EQ(hotkey_from_word("control_windows"), Hotkey::ControlWindows);
  EXPECT_EQ(hotkey_from_word("right_alt"), Hotkey::RightAlt);
  for (const char* bad : {"FN", "Fn", "control_option", "", "fn ", "--key=fn"})
    EXPECT_EQ(hotkey_from_word(bad), std::nullopt) << bad;
}

TEST(Classify, PressRules) {
  // fn under Fn and FnOrControlOption, only with the fn flag.
  EXPECT_EQ(classify(Hotkey::Fn, kFlags, 63, kFnF, false, {}), (KeyAction{Kind::Press, Hotkey::Fn}));
  EXPECT_EQ(classify(Hotkey::FnOrControlOption, kFlags, 63, kFnF, false, {}),
            (KeyAction{Kind::Press, Hotkey::Fn}));
  EXPECT_EQ(classify(Hotkey::Fn, kFlags, 63, 0, false, {}), std::nullopt);
  // Code 63 never tries another rule, even with control and option down.
  EXPECT_EQ(classify(Hotkey::FnOrControlOption, kFlags, 63, kCtl | kOpt, false, {}), std::nullopt);
  EXPECT_EQ(classify(Hotkey::RightOption, kFlags, 63, kFnF | kROpt, false, {}), std::nullopt);
  // Control+option: control alone is nothing, option joining presses.
  EXPECT_EQ(classify(Hotkey::FnOrControlOption, kFlags, 59, kCtl, false, {}), std::nullopt);
  for (int64_t code : {58, 59, 61, 62})
    EXPECT_EQ(classify(Hotkey::FnOrControlOption, kFlags, code, kCtl | kOpt, false, {}),
              (KeyAction{Kind::Press, Hotkey::ControlOption}));
  EXPECT_EQ(classify(Hotkey::Fn, kFlags, 58, kCtl | kOpt, false, {}), std::nullopt);
  // Right-hand modifiers need their key code and their device bit.
  EXPECT_EQ(kind(classify(Hotkey::RightOption, kFlags, 61, kROpt, false, {})), Kind::Press);
  EXPECT_EQ(classify(Hotkey::RightOption, kFlags, 58, kROpt, false, {}), std::nullopt);
  EXPECT_EQ(kind(classify(Hotkey::RightCommand, kFlags, 54, kRCmd, false, {})), Kind::Press);
  EXPECT_EQ(classify(Hotkey::RightCommand, kFlags, 55, kRCmd, false, {}), std::nullopt);
  EXPECT_EQ(classify(Hotkey::RightCommand, kFlags, 54, cg::kFlagCommand, false, {}), std::nullopt);
  EXPECT_EQ(kind(classify(Hotkey::RightControl, kFlags, 62, kRCtl, false, {})), Kind::Press);
  // Never pressed on this platform.
  for (Hotkey h : {Hotkey::ControlWindows, Hotkey::RightAlt, Hotkey::ControlOption})
    for (int64_t code : {54, 58, 59, 61, 62, 63})
      EXPECT_EQ(classify(h, kFlags, code, ~uint64_t{0}, false, {}), std::nullopt);
}

TEST(Classify, WhileHeld) {
  std::optional<Hotkey> fn = Hotkey::Fn;
  // Another modifier while fn stays down is a chord; the next fn event releases.
  EXPECT_EQ(kind(classify(Hotkey::Fn, kFlags, 56, kFnF | kShift, false, fn)), Kind::Chord);
  EXPECT_EQ(kind(classify(Hotkey::Fn, kFlags, 63, kFnF, false, fn)), Kind::Release);
  // Control+option held: option coming up releases.
  std::optional<Hotkey> co = Hotkey::ControlOption;
  EXPECT_EQ(kind(classify(Hotkey::FnOrControlOption, kFlags, 58, kCtl, false, co)), Kind::Release);
  EXPECT_EQ(kind(classify(Hotkey::FnOrControlOption, kFlags, 56, kCtl | kOpt | kShift, false, co)),
            Kind::Chord);
  // Keys and buttons.
  EXPECT_EQ(kind(classify(Hotkey::Fn, kKeyDown, 49, 0, false, fn)), Kind::Space);
  EXPECT_EQ(classify(Hotkey::Fn, kKeyDown, 49, 0, true, fn), std::nullopt);
  EXPECT_EQ(classify(Hotkey::Fn, kKeyUp, 49, 0, false, fn), std::nullopt);
  EXPECT_EQ(kind(classify(Hotkey::Fn, kKeyDown, 0, 0, false, fn)), Kind::Chord);
  for (uint32_t type : {kLeftDown, kRightDown, kOtherDown})
    EXPECT_EQ(kind(classify(Hotkey::Fn, type, 0, 0, false, fn)), Kind::Chord);
  EXPECT_EQ(classify(Hotkey::Fn, kScroll, 0, 0, false, fn), std::nullopt);
}

TEST(Classify, NothingHeldAndEscape) {
  for (uint32_t type : {kLeftDown, kRightDown, kOtherDown, kKeyUp})
    EXPECT_EQ(classify(Hotkey::Fn, type, 0, 0, false, {}), std::nullopt);
  EXPECT_EQ(classify(Hotkey::Fn, kKeyDown, 49, 0, false, {}), std::nullopt);
  EXPECT_EQ(classify(Hotkey::Fn, kKeyDown, 0, 0, false, {}), std::nullopt);
  EXPECT_EQ(kind(classify(Hotkey::Fn, kKeyDown, 53, 0, false, {})), Kind::Escape);
  EXPECT_EQ(kind(classify(Hotkey::RightAlt, kKeyDown, 53, 0, false, Hotkey::Fn)), Kind::Escape);
  EXPECT_EQ(classify(Hotkey::Fn, kKeyDown, 53, 0, true, {}), std::nullopt);
}

TEST(IsDown, LastColumn) {
  EXPECT_TRUE(is_down(Hotkey::Fn, kFnF));
  EXPECT_FALSE(is_down(Hotkey::Fn, kCtl | kOpt));
  EXPECT_TRUE(is_down(Hotkey::ControlOption, kCtl | kOpt));
  EXPECT_FALSE(is_down(Hotkey::ControlOption, kCtl));
  EXPECT_TRUE(is_down(Hotkey::FnOrControlOption, kFnF));
  EXPECT_TRUE(is_down(Hotkey::FnOrControlOption, kCtl | kOpt));
  EXPECT_TRUE(is_down(Hotkey::RightOption, kROpt));
  EXPECT_TRUE(is_down(Hotkey::RightCommand, kRCmd));
  EXPECT_TRUE(is_down(Hotkey::RightControl, kRCtl));
  EXPECT_FALSE(is_down(Hotkey::RightControl, kCtl));
  EXPECT_FALSE(is_down(Hotkey::ControlWindows, ~uint64_t{0}));
  EXPECT_FALSE(is_down(Hotkey::RightAlt, ~uint64_t{0}));
}

}  // namespace
}  // namespace dictation
