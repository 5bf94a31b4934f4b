// The desktop as strict as a Mac: permissions (tap creation, accessibility
// requests, posting, a tap stalled by a withdrawal and its time-out),
// posted keys passing the taps, the HID key state and flag state, and the
// main-thread rule of the text input calls.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ax.h"
#include "platform/cg_event.h"
#include "platform/library.h"
#include "platform/proc.h"
#include "platform/sim/drive/events.h"
#include "platform/sim/sim.h"
#include "platform/sim/testing/desktop_fixture.h"
#include "support/desktop.h"

namespace sim {
namespace {

using nlohmann::json;
using testing::Seen;
using testing::TapThread;

using MacRulesTest = testing::FileDesktopTest;

bool can_make(cg::TapOptions options) {
  cf::Ref tap = cg::event_tap_create(cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
                                     options, ~cg::EventMask{0},
                                     [](cg::TapProxy, cg::EventType, cf::TypeRef e, void*) { return e; },
                                     nullptr);
  bool probe = cg::event_tap_probe(cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
                                   options, ~cg::EventMask{0});
  EXPECT_EQ(probe, static_cast<bool>(tap)) << "the probe and creation disagree";
  return static_cast<bool>(tap);
}

TEST_F(MacRulesTest, EachTapKindNeedsItsPermission) {
  struct Case {
    json permissions;
    bool active, listen_only;
  };
  const std::vector<Case> cases = {
      {json::object(), true, true},
      {{{"accessibility", false}}, false, true},
      {{{"input_monitoring", false}}, true, false},
      {{{"accessibility", false}, {"input_monitoring", false}}, false, false},
  };
  for (const Case& c : cases) {
    load({{"permissions", c.permissions}});
    EXPECT_EQ(can_make(cg::TapOptions::Default), c.active) << c.permissions;
    EXPECT_EQ(can_make(cg::TapOptions::ListenOnly), c.listen_only) << c.permissions;
  }
  // A refused tap stays refused whatever is granted.
  load({{"tap", {{"refused", true}}}});
  EXPECT_FALSE(can_make(cg::TapOptions::Default));
  EXPECT_FALSE(can_make(cg::TapOptions::ListenOnly));
  // Granted later: taps can be made from then on.
  load({{"permissions", {{"accessibility", false}}}});
  act({{"action", "permissions"}, {"accessibility", true}});
  EXPECT_TRUE(can_make(cg::TapOptions::Default));
}

TEST_F(MacRulesTest, WithoutAccessibilityRequestsFailAndPostsAreDropped) {
  load({{"applications",
         {{{"pid", 700},
           {"ui", {{"id", "app"}, {"attributes", {{"AXRole", "AXApplication"}}}}}}}},
        {"focus", "app"},
        {"paste", {{"focus", "app"}}}});
  cf::Ref system = ax::create_system_wide();
  cf::Ref value;
  EXPECT_EQ(ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &value), ax::kSuccess);
  value.reset();
  act({{"action", "permissions"}, {"accessibility", false}});
  EXPECT_EQ(ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &value),
            ax::kAPIDisabled);
  EXPECT_FALSE(value);
  bool settable = true;
  EXPECT_EQ(ax::is_attribute_settable(system.get(), "AXValue", &settable), ax::kAPIDisabled);

  cf::Ref down = cg::event_create_keyboard_event(nullptr, 9, true);
  cg::event_set_flags(down.get(), cg::kFlagCommand);
  cg::event_post(cg::TapLocation::HID, down.get());
  EXPECT_TRUE(effects("posted").empty());
  EXPECT_EQ(effects("post_dropped"),
            (std::vector<json>{{{"effect", "post_dropped"}, {"keycode", 9}, {"down", true}}}));
}

TEST_F(MacRulesTest, PostedKeysPassTheTapsWithThePosterAsSource) {
  load();
  TapThread active({.withhold = [](const Seen& s) { return s.keycode == 1; }});
  TapThread listener({.listen_only = true});
  ASSERT_TRUE(active.created() && listener.created());
  for (uint16_t key : {9, 1}) {
    cf::Ref event = cg::event_create_keyboard_event(nullptr, key, true);
    cg::event_set_flags(event.get(), cg::kFlagCommand);
    cg::event_post(cg::TapLocation::HID, event.get());
  }
  std::vector<std::string> results;
  for (const json& e : effects("input")) {
    results.push_back(std::to_string(e.value("keycode", -1)) + ":" + e.value("tap", "") + ":" +
                      e.value("result", ""));
  }
  EXPECT_EQ(results, (std::vector<std::string>{"9:active:passed", "9:listen_only:passed",
                                               "1:active:withheld"}));
  for (const Seen& seen : listener.seen()) {
    EXPECT_EQ(seen.source_pid, proc::self());
    EXPECT_EQ(seen.flags, cg::kFlagCommand);
  }
  EXPECT_EQ(listener.seen().size(), 1u);
}

TEST_F(MacRulesTest, StalledTapHoldsInputUntilTheTimeOutNotice) {
  load({{"tap_timeout_ms", 50}});
  TapThread listener({.listen_only = true});
  TapThread active({.reenable = false});
  ASSERT_TRUE(active.created() && listener.created());
  act({{"action", "permissions"}, {"accessibility", false}});
  act({{"action", "input"}, {"type", "key_down"}, {"keycode", 3}});
  ASSERT_TRUE(testing::eventually([&] { return !effects("tap_disabled").empty(); }));
  act({{"action", "input"}, {"type", "key_down"}, {"keycode", 4}});
  // The tap threads get the notice and the key in their own time.
  ASSERT_TRUE(testing::eventually(
      [&] { return !active.seen().empty() && !listener.seen().empty(); }));
  std::vector<std::string> results;
  for (const json& e : effects("input")) {
    results.push_back(std::to_string(e.value("keycode", -1)) + ":" + e.value("result", ""));
  }
  // Held while the active tap stalled; after the notice input flows again,
  // past the tap that is now off.
  EXPECT_EQ(results, (std::vector<std::string>{"3:held", "4:passed"}));
  std::vector<cg::EventType> notices;
  for (const Seen& s : active.seen()) notices.push_back(s.type);
  EXPECT_EQ(notices, std::vector<cg::EventType>{cg::kTapDisabledByTimeout});
  EXPECT_TRUE(listener.seen().size() == 1 && listener.seen()[0].keycode == 4);
  EXPECT_EQ(effects("tap_stalled").size(), 1u);
}

TEST_F(MacRulesTest, ReEnablingAStalledTapStallsItAgain) {
  load({{"tap_timeout_ms", 30}});
  TapThread active({.reenable = true});
  ASSERT_TRUE(active.created());
  act({{"action", "permissions"}, {"accessibility", false}});
  ASSERT_TRUE(testing::eventually([&] { return effects("tap_disabled").size() >= 2; }));
  act({{"action", "permissions"}, {"accessibility", true}});
  EXPECT_GE(effects("tap_stalled").size(), 2u);
}

// A small random model of the keyboard: key events, modifier flags events
// and outright flag changes, checked against what a Mac guarantees.
TEST_F(MacRulesTest, KeyStateFollowsInjectedInputOverRandomSequences) {
  struct Modifier {
    int key;
    uint64_t flag, device;
  };
  const Modifier modifiers[] = {{59, 0x40000, 0x1},    {62, 0x40000, 0x2000},
                                {56, 0x20000, 0x2},    {60, 0x20000, 0x4},
                                {55, 0x100000, 0x8},   {54, 0x100000, 0x10},
                                {58, 0x80000, 0x20},   {61, 0x80000, 0x40},
                                {63, 0x800000, 0}};
  std::mt19937 random(1234);
  for (int round = 0; round < 40; ++round) {
    load();
    uint64_t flags = 0;
    for (int step = 0; step < 60; ++step) {
      int what = static_cast<int>(random() % 4);
      if (what == 0) {  // a plain key goes down or up
        int key = static_cast<int>(random() % 8);
        bool down = random() % 2;
        act({{"action", "input"}, {"type", down ? "key_down" : "key_up"}, {"keycode", key}});
        EXPECT_EQ(cg::event_source_key_state(cg::SourceState::HIDSystem,
                                             static_cast<uint16_t>(key)),
                  down);
      } else if (what < 3) {  // one modifier key changes, device bits kept
        const Modifier& m = modifiers[random() % std::size(modifiers)];
        bool down = random() % 2;
        flags = down ? flags | m.flag | m.device : flags & ~m.device;
        bool others = false;
        for (const Modifier& o : modifiers) others |= o.flag == m.flag && (flags & o.device);
        if (!down && !others) flags &= ~m.flag;
        act({{"action", "input"}, {"type", "flags_changed"}, {"keycode", m.key}, {"flags", flags}});
        EXPECT_EQ(cg::event_source_key_state(cg::SourceState::HIDSystem,
                                             static_cast<uint16_t>(m.key)),
                  down)
            << "round " << round << " step " << step;
      } else {  // the flags are set outright, some cleared
        flags &= random();
        act({{"action", "flags"}, {"flags", flags}});
      }
      // A modifier key is never down without its flag; a private state
      // knows no keys.
      for (const Modifier& m : modifiers) {
        bool key = cg::event_source_key_state(cg::SourceState::HIDSystem,
                                              static_cast<uint16_t>(m.key));
        if (key) {
          EXPECT_TRUE(flags & m.flag) << "key " << m.key << " flags " << flags;
        }
        EXPECT_FALSE(cg::event_source_key_state(cg::SourceState::Private,
                                                static_cast<uint16_t>(m.key)));
      }
    }
  }
}

TEST_F(MacRulesTest, FlagStateWithoutDeviceBits) {
  load({{"input", {{"flags", 0x180150}, {"hid_device_bits", false}}}});
  EXPECT_EQ(cg::event_source_flags_state(cg::SourceState::HIDSystem), 0x180100u);
  act({{"action", "hid_device_bits"}, {"on", true}});
  EXPECT_EQ(cg::event_source_flags_state(cg::SourceState::HIDSystem), 0x180150u);
  EXPECT_NE(apply_action({{"action", "hid_device_bits"}, {"on", 1}}), "");
  EXPECT_NE(apply_action({{"action", "permissions"}}), "");
  EXPECT_NE(apply_action({{"action", "permissions"}, {"accessibility", "no"}}), "");
}

using MacRulesDeathTest = MacRulesTest;

TEST_F(MacRulesDeathTest, TextInputCallsOffTheMainThreadAbort) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  load();
  auto off_main = [](auto call) {
    std::thread([&] { call(); }).join();
  };
  EXPECT_DEATH(off_main([] { (void)cg::event_create_keyboard_event(nullptr, 9, true); }),
               "CGEventCreateKeyboardEvent called off the main thread");
  void* carbon = dl::open(::carbon::kPath, dl::kLazy);
  auto copy = reinterpret_cast<::carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn>(
      dl::symbol(carbon, "TISCopyCurrentASCIICapableKeyboardLayoutInputSource"));
  ASSERT_NE(copy, nullptr);
  EXPECT_DEATH(off_main([copy] { cf::Ref source(copy()); }),
               "TISCopyCurrentASCIICapableKeyboardLayoutInputSource called off the main thread");
  // On the main thread both work.
  EXPECT_TRUE(cg::event_create_keyboard_event(nullptr, 9, true));
  EXPECT_TRUE(cf::Ref(copy()));
}

}  // namespace
}  // namespace sim
