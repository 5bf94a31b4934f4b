// Event taps and input through the platform layer: delivery order and
// withholding, masks, refusal, the input state, posting and its log, failing
// creations and ownership.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/cg_event.h"
#include "platform/sim/model/audit.h"
#include "platform/sim/drive/events.h"
#include "platform/sim/sim.h"
#include "platform/sim/testing/desktop_fixture.h"
#include "support/desktop.h"

namespace sim {
namespace {

using nlohmann::json;
using testing::Seen;
using testing::TapThread;

using EventsTest = testing::FileDesktopTest;

json input_effect(int type, int keycode, const char* tap, const char* result) {
  json line = {{"effect", "input"}, {"type", type}, {"keycode", keycode}, {"result", result}};
  if (tap) line["tap"] = tap;
  return line;
}

TEST_F(EventsTest, ActiveTapWithholdsFromLaterTapsButListenOnlyCannot) {
  load();
  TapThread active({.withhold = [](const Seen& s) { return s.keycode == 49; }});
  TapThread listener({.listen_only = true, .withhold = [](const Seen&) { return true; }});
  ASSERT_TRUE(active.created() && listener.created());

  act({{"action", "input"}, {"type", "key_down"}, {"keycode", 49}, {"flags", 0x800100},
       {"autorepeat", true}, {"source_pid", 77}, {"x", 10.5}, {"y", -3}});
  act({{"action", "input"}, {"type", 10}, {"keycode", 0}});

  EXPECT_EQ(effects("input"),
            (std::vector<json>{input_effect(10, 49, "active", "withheld"),
                               input_effect(10, 0, "active", "passed"),
                               input_effect(10, 0, "listen_only", "passed")}));
  auto seen = active.seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].type, cg::kKeyDown);
  EXPECT_EQ(seen[0].flags, 0x800100u);
  EXPECT_EQ(seen[0].autorepeat, 1);
  EXPECT_EQ(seen[0].source_pid, 77);
  EXPECT_EQ(seen[0].at.x, 10.5);
  EXPECT_EQ(seen[0].at.y, -3);
  EXPECT_EQ(seen[0].thread, active.thread());
  EXPECT_NE(seen[0].thread, testing::thread_id());
  EXPECT_EQ(seen[1].autorepeat, 0);
  ASSERT_EQ(listener.seen().size(), 1u);
  EXPECT_EQ(listener.seen()[0].keycode, 0);
  EXPECT_EQ(listener.seen()[0].thread, listener.thread());
}

TEST_F(EventsTest, TypesOutsideTheMaskAndDisabledTapsReceiveNothing) {
  load();
  TapThread reenabling({.mask = cg::mask_bit(cg::kKeyDown)});
  TapThread stays_off({.mask = cg::mask_bit(cg::kKeyDown), .reenable = false});

  act({{"action", "input"}, {"type", "scroll_wheel"}});
  EXPECT_EQ(effects("input"), std::vector<json>{input_effect(22, 0, nullptr, "not_delivered")});

  // Notices reach every tap, whatever its mask; only the tap that switched
  // itself back on sees what follows.
  act({{"action", "tap_disabled"}, {"by", "user_input"}});
  act({{"action", "tap_disabled"}, {"by", "timeout"}});
  act({{"action", "input"}, {"type", "key_down"}, {"keycode", 5}});

  auto notices = effects("tap_disabled");
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0]["by"], "user_input");
  EXPECT_EQ(notices[1]["by"], "timeout");
  auto on = reenabling.seen();
  ASSERT_EQ(on.size(), 3u);
  EXPECT_EQ(on[0].type, cg::kTapDisabledByUserInput);
  EXPECT_EQ(on[1].type, cg::kTapDisabledByTimeout);
  EXPECT_EQ(on[2].keycode, 5);
  auto off = stays_off.seen();
  ASSERT_EQ(off.size(), 1u);  // the second notice found it already disabled
  EXPECT_EQ(off[0].type, cg::kTapDisabledByUserInput);
  EXPECT_EQ(effects("input").back(), input_effect(10, 5, "active", "passed"));
}

TEST_F(EventsTest, RefusedTapIsNull) {
  load({{"tap", {{"refused", true}}}});
  TapThread tap({});
  EXPECT_FALSE(tap.created());
}

TEST_F(EventsTest, InputStateFollowsTheDesktopInputEventsAndActions) {
  load({{"input", {{"flags", 0x20000}, {"left_button", true}, {"pointer", {5, 6}}}}});
  using cg::SourceState;
  EXPECT_EQ(cg::event_source_flags_state(SourceState::HIDSystem), 0x20000u);
  EXPECT_TRUE(cg::event_source_button_state(SourceState::HIDSystem, cg::kMouseButtonLeft));
  EXPECT_EQ(cg::event_source_flags_state(SourceState::Private), 0u);
  EXPECT_FALSE(cg::event_source_button_state(SourceState::HIDSystem, 1));
  {
    cf::Ref event = cg::event_create(nullptr);
    ASSERT_TRUE(event);
    EXPECT_EQ(cg::event_get_location(event.get()).x, 5);
    EXPECT_EQ(cg::event_get_location(event.get()).y, 6);
  }

  TapThread tap({});
  act({{"action", "input"}, {"type", "flags_changed"}, {"keycode", 55}, {"flags", 0x100008}});
  EXPECT_EQ(cg::event_source_flags_state(SourceState::HIDSystem), 0x100008u);
  act({{"action", "input"}, {"type", "key_down"}, {"keycode", 9}});  // takes the HID flags
  act({{"action", "input"}, {"type", "left_mouse_up"}, {"x", 7}, {"y", 8}});
  EXPECT_FALSE(cg::event_source_button_state(SourceState::HIDSystem, cg::kMouseButtonLeft));
  act({{"action", "input"}, {"type", "left_mouse_down"}});
  EXPECT_TRUE(cg::event_source_button_state(SourceState::HIDSystem, cg::kMouseButtonLeft));
  auto seen = tap.seen();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].flags, 0x100008u);
  EXPECT_EQ(seen[2].at.x, 7);
  EXPECT_EQ(seen[3].at.y, 8);  // the pointer stays where the last event left it

  act({{"action", "flags"}, {"flags", 0}});
  act({{"action", "button"}, {"down", false}});
  act({{"action", "pointer"}, {"x", -1.25}, {"y", 1e6}});
  EXPECT_EQ(cg::event_source_flags_state(SourceState::HIDSystem), 0u);
  EXPECT_FALSE(cg::event_source_button_state(SourceState::CombinedSession, cg::kMouseButtonLeft));
  cf::Ref event = cg::event_create(nullptr);
  EXPECT_EQ(cg::event_get_location(event.get()).x, -1.25);
  EXPECT_EQ(cg::event_get_location(event.get()).y, 1e6);
}

TEST_F(EventsTest, PostedKeysAreLoggedAndCommandVReachesThePasteReaction) {
  load(json::parse(R"({
    "applications": [{"pid": 42, "ui": {"id": "app", "attributes": {"AXRole": "AXApplication"},
        "children": [{"id": "field", "attributes": {"AXRole": "AXTextField"}}]}}],
    "focus": "field",
    "paste": {"delay_ms": 0, "set": [{"element": "field", "attributes": {"AXValue": "x"}}]}})"));
  cf::Ref source = cg::event_source_create(cg::SourceState::Private);
  for (bool down : {true, false}) {
    cf::Ref key = cg::event_create_keyboard_event(source.get(), 9, down);
    ASSERT_TRUE(key);
    EXPECT_EQ(cg::event_get_flags(key.get()), 0u);
    EXPECT_EQ(cg::event_get_integer_field(key.get(), cg::kFieldKeyboardEventKeycode), 9);
    EXPECT_EQ(cg::event_get_integer_field(key.get(), cg::kFieldEventSourceUnixProcessID),
              getpid());
    cg::event_set_flags(key.get(), cg::kFlagCommand);
    cg::event_post(cg::TapLocation::HID, key.get());
  }
  json down = {{"effect", "posted"}, {"keycode", 9}, {"down", true}, {"flags", 0x100000}};
  json up = down;
  up["down"] = false;
  EXPECT_EQ(effects("posted"), (std::vector<json>{down, up}));
  EXPECT_TRUE(testing::eventually([&] { return effects("paste_applied").size() == 1; }));
}

TEST_F(EventsTest, FailEventsMakesTheNextCreationsFail) {
  load();
  fail_events(EventKind::Keyboard, 1);
  EXPECT_FALSE(cg::event_create_keyboard_event(nullptr, 9, true));
  EXPECT_TRUE(cg::event_create_keyboard_event(nullptr, 9, true));
  EXPECT_TRUE(cg::event_create(nullptr));

  act({{"action", "fail_events"}, {"count", 2}, {"kind", "plain"}});
  EXPECT_TRUE(cg::event_create_keyboard_event(nullptr, 9, false));
  EXPECT_FALSE(cg::event_create(nullptr));
  EXPECT_FALSE(cg::event_create(nullptr));
  EXPECT_TRUE(cg::event_create(nullptr));

  act({{"action", "fail_events"}, {"count", 1}});  // keyboard by default
  EXPECT_FALSE(cg::event_create_keyboard_event(nullptr, 9, false));

  // The second of the next two creations fails, and only that one.
  act({{"action", "fail_events"}, {"count", 1}, {"after", 1}});
  EXPECT_TRUE(cg::event_create_keyboard_event(nullptr, 9, true));
  EXPECT_FALSE(cg::event_create_keyboard_event(nullptr, 9, false));
  EXPECT_TRUE(cg::event_create_keyboard_event(nullptr, 9, false));
}

TEST_F(EventsTest, OwnershipBalancedAfterTapsAndDeliveries) {
  load();
  Audit before = audit();
  {
    TapThread active({.withhold = [](const Seen&) { return true; }});
    TapThread listener({.listen_only = true});
    act({{"action", "input"}, {"type", "key_down"}, {"keycode", 1}});
    act({{"action", "tap_disabled"}, {"by", "timeout"}});
    act({{"action", "input"}, {"type", "flags_changed"}, {"flags", 0}});
    cf::Ref source = cg::event_source_create(cg::SourceState::HIDSystem);
    cf::Ref key = cg::event_create_keyboard_event(source.get(), 3, true);
    cg::event_post(cg::TapLocation::HID, key.get());
    cf::Ref plain = cg::event_create(nullptr);
  }
  Audit after = audit();
  EXPECT_EQ(after.live, before.live);
  EXPECT_EQ(after.over_releases, before.over_releases);
}

TEST_F(EventsTest, MalformedEventActionsAreRejectedWithAReason) {
  load();
  const std::pair<json, std::string> cases[] = {
      {{{"action", "input"}}, "\"type\""},
      {{{"action", "input"}, {"type", "key_dwn"}}, "\"type\""},
      {{{"action", "input"}, {"type", 64}}, "\"type\""},
      {{{"action", "input"}, {"type", 10}, {"keycod", 1}}, "unknown member \"keycod\""},
      {{{"action", "input"}, {"type", 10}, {"flags", -1}}, "\"flags\""},
      {{{"action", "input"}, {"type", 10}, {"x", 1}}, "\"x\" and \"y\""},
      {{{"action", "input"}, {"type", 10}, {"autorepeat", 1}}, "\"autorepeat\""},
      {{{"action", "tap_disabled"}, {"by", "system"}}, "\"by\""},
      {{{"action", "flags"}, {"flags", 1.5}}, "\"flags\""},
      {{{"action", "button"}}, "\"down\" must be a boolean"},
      {{{"action", "button"}, {"down", true}, {"up", false}}, "unknown member \"up\""},
      {{{"action", "hid_device_bits"}, {"on", 1}}, "\"on\" must be a boolean"},
      {{{"action", "pointer"}, {"x", 1}, {"y", "2"}}, "\"x\" and \"y\""},
      {{{"action", "marker"}, {"label", 3}}, "\"label\""},
      {{{"action", "fail_events"}, {"count", 1}, {"kind", "mouse"}}, "\"kind\""},
      {{{"action", "fail_events"}, {"count", 1}, {"after", -1}}, "\"after\""},
      {{{"action", 5}}, "\"action\""},
      {json::array({1, 2}), "object"},
  };
  for (const auto& [action, reason] : cases) {
    EXPECT_NE(apply_action(action).find(reason), std::string::npos) << action;
  }
  EXPECT_NE(apply_action({{"action", "no_such_action"}}), "");
  EXPECT_TRUE(effects("input").empty());  // nothing half-applied
}

}  // namespace
}  // namespace sim
