#include "macos/focus.h"

#include <gtest/gtest.h>

#include "platform/sim/testing/desktop_fixture.h"

namespace frontmost::platform {
namespace {

using nlohmann::json;
using Kind = AttrOutcome::Kind;

json app_with(json children) {
  return {{"applications",
           json::array({{{"pid", 200},
                         {"name", "Notes"},
                         {"ui",
                          {{"id", "app"},
                           {"attributes", {{"AXRole", "AXApplication"}}},
                           {"children", std::move(children)}}}}})}};
}

class FocusTest : public sim::testing::DesktopTest {
 protected:
  // The element `id` via the system focus.
  cf::Ref focus(const std::string& id) {
    act({{"action", "focus"}, {"element", id}});
    return system_focus();
  }
};

TEST_F(FocusTest, NoFocusedElementOrNotAnElementGivesNothing) {
  json desktop = app_with(json::array({{{"id", "field"}}}));
  load(desktop);
  EXPECT_FALSE(system_focus());
  // Each call sets the process-wide timeout before asking.
  auto timeouts = effects("messaging_timeout");
  ASSERT_FALSE(timeouts.empty());
  EXPECT_EQ(timeouts.back().value("element", ""), "system_wide");
  EXPECT_DOUBLE_EQ(timeouts.back().value("seconds", 0.0), 0.25);

  desktop["system_wide"] = {
      {"attributes", {{"AXFocusedUIElement", {{"error", -25204}}}}}};
  load(desktop);
  EXPECT_FALSE(system_focus());

  desktop["system_wide"] = {{"attributes", {{"AXFocusedUIElement", "field"}}}};
  load(desktop);
  EXPECT_FALSE(system_focus());  // a string, released

  desktop.erase("system_wide");
  desktop["focus"] = "field";
  load(desktop);
  cf::Ref element = system_focus();
  ASSERT_TRUE(element);
  EXPECT_EQ(cf::get_type_id(element.get()), cf::TypeId::AXUIElement);
}

TEST_F(FocusTest, RoleOutcomesAndFieldKind) {
  load(app_with(json::array({
      {{"id", "unsupported"},
       {"attributes",
        {{"AXRole", {{"error", -25205}}}, {"AXSubrole", "AXSecureTextField"}}}},
      {{"id", "number"}, {"attributes", {{"AXRole", 7}}}},
      {{"id", "novalue"}, {"attributes", {{"AXRole", {{"error", -25212}}}}}},
      {{"id", "none"}, {"attributes", {{"AXRole", {{"none", true}}}}}},
      {{"id", "lower"}, {"attributes", {{"AXRole", "AXSecuretextField"}}}},
      {{"id", "secure"}, {"attributes", {{"AXRole", "AXSecureTextField"}}}},
      {{"id", "slow"},
       {"delay_ms", 400},
       {"attributes", {{"AXRole", "AXTextField"}}}},
  })));

  struct Case {
    const char* id;
    Kind role;
    ax::Error code;
    bool secure, maybe_secure;
  };
  for (const Case& c : {
           Case{"unsupported", Kind::Missing, 0, true, true},
           Case{"number", Kind::Failed, ax::kFailure, false, true},
           Case{"novalue", Kind::Missing, 0, false, false},
           Case{"none", Kind::Missing, 0, false, false},
           Case{"lower", Kind::Present, 0, false, false},
           Case{"secure", Kind::Present, 0, true, true},
           // Slower than the messaging timeout: the read fails, so the
           // field may hold a secret.
           Case{"slow", Kind::Failed, ax::kCannotComplete, false, true},
       }) {
    SCOPED_TRACE(c.id);
    cf::Ref element = focus(c.id);
    ASSERT_TRUE(element);
    AttrOutcome role = string_attr(element.get(), "AXRole");
    AttrOutcome subrole = string_attr(element.get(), "AXSubrole");
    EXPECT_EQ(role.kind, c.role);
    EXPECT_EQ(role.code, c.code);
    FieldKind kind = FieldKind::from(role, subrole);
    EXPECT_EQ(kind.secure, c.secure);
    EXPECT_EQ(kind.maybe_secure, c.maybe_secure);
    EXPECT_EQ(kind.role.has_value(), c.role == Kind::Present);
  }
}

TEST_F(FocusTest, TextIsUtf8WithReplacementForLoneSurrogates) {
  load(app_with(json::array({
      {{"id", "f"},
       {"attributes",
        {{"AXValue", {{"utf16", {0x61, 0xD800, 0x62, 0xD83D, 0xDE00, 0xDC00}}}},
         {"AXTitle", "h\u00e9llo"}}}},
  })));
  cf::Ref element = focus("f");
  ASSERT_TRUE(element);
  EXPECT_EQ(string_attr(element.get(), "AXValue").text,
            "a\xEF\xBF\xBD" "b\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ(string_attr(element.get(), "AXTitle").text, "h\u00e9llo");
  EXPECT_EQ(string_for_range(element.get(), 1, 1), "\xEF\xBF\xBD");
  EXPECT_EQ(string_for_range(element.get(), 3, 2), "\xF0\x9F\x98\x80");
  EXPECT_EQ(string_for_range(element.get(), 5, 4), std::nullopt);
}

TEST_F(FocusTest, SelectionAndTextState) {
  load(app_with(json::array({
      {{"id", "field"},
       {"attributes", {{"AXValue", "hello"}, {"AXSelectedTextRange", {{"range", {2, 3}}}}}}},
      {{"id", "point"},
       {"attributes", {{"AXValue", "hello"}, {"AXSelectedTextRange", {{"point", {2, 3}}}}}}},
      {{"id", "no_selection"}, {"attributes", {{"AXNumberOfCharacters", 5}}}},
      {{"id", "fraction"},
       {"attributes", {{"AXNumberOfCharacters", 5.5}, {"AXSelectedTextRange", {{"range", {0, 0}}}}}}},
      {{"id", "text_count"}, {"attributes", {{"AXNumberOfCharacters", "5"}}}},
      {{"id", "no_count"}, {"attributes", {{"AXSelectedTextRange", {{"range", {0, 0}}}}}}},
  })));

  cf::Ref field = focus("field");
  auto range = selected_range(field.get());
  ASSERT_TRUE(range);
  EXPECT_EQ(range->location, 2);
  EXPECT_EQ(range->length, 3);
  auto state = text_state(field.get());
  ASSERT_TRUE(state);
  EXPECT_EQ(state->count, 5);  // derived from the value

  cf::Ref point = focus("point");
  EXPECT_EQ(selected_range(point.get()), std::nullopt);
  auto pointed = text_state(point.get());
  ASSERT_TRUE(pointed);
  EXPECT_FALSE(pointed->selection);

  cf::Ref no_selection = focus("no_selection");
  auto counted = text_state(no_selection.get());
  ASSERT_TRUE(counted);
  EXPECT_FALSE(counted->selection);
  EXPECT_TRUE(*counted == *pointed);  // same count, both without selection

  EXPECT_EQ(text_state(focus("fraction").get()), std::nullopt);
  EXPECT_EQ(text_state(focus("text_count").get()), std::nullopt);
  EXPECT_EQ(text_state(focus("no_count").get()), std::nullopt);
}

TEST_F(FocusTest, ElementsTakenFromValuesAndArrays) {
  load(app_with(json::array({
      {{"id", "list"},
       {"attributes",
        {{"AXRows", json::array({{{"element", "app"}}, "text"})}}}},
  })));
  cf::Ref list = focus("list");
  ASSERT_TRUE(list);
  cf::Ref rows;
  ASSERT_EQ(ax::copy_attribute_value(list.get(), "AXRows", &rows), ax::kSuccess);

  cf::Ref first = element_of(retained_at(rows.get(), 0));
  EXPECT_TRUE(first);
  EXPECT_FALSE(element_of(retained_at(rows.get(), 1)));  // released
  EXPECT_FALSE(retained_at(rows.get(), 2));
  EXPECT_FALSE(retained_at(rows.get(), -1));
  EXPECT_FALSE(element_of(cf::Ref()));
}

}  // namespace
}  // namespace frontmost::platform
