#include "macos/caret.h"

#include <gtest/gtest.h>

#include "platform/sim/testing/desktop_fixture.h"

namespace frontmost::platform {
namespace {

using nlohmann::json;

json text_field(const char* id, const char* role, json value, int location,
                int length) {
  return {{"id", id},
          {"attributes",
           {{"AXRole", role},
            {"AXValue", std::move(value)},
            {"AXSelectedTextRange", {{"range", {location, length}}}}}}};
}

class CaretTest : public sim::testing::DesktopTest {
 protected:
  void SetUp() override {
    json fields = json::array({
        text_field("start", "AXTextField", "hello", 0, 0),
        text_field("between", "AXTextField", "ab", 1, 0),
        text_field("selection", "AXTextArea", "abcdefg", 3, 2),
        text_field("password", "AXSecureTextField", "abcd", 4, 0),
        {{"id", "subrole_secure"},
         {"attributes",
          {{"AXRole", "AXTextField"},
           {"AXSubrole", "AXSecureTextField"},
           {"AXValue", "xyz"},
           {"AXSelectedTextRange", {{"range", {2, 0}}}}}}},
        {{"id", "secure_no_selection"},
         {"attributes", {{"AXRole", "AXSecureTextField"}}}},
        {{"id", "roleless_settable"},
         {"attributes", {{"AXValue", "text"}}},
         {"settable", {"AXValue"}}},
        {{"id", "roleless_fixed"}, {"attributes", {{"AXValue", "text"}}}},
        {{"id", "roleless_number"},
         {"attributes", {{"AXValue", 3}}},
         {"settable", {"AXValue"}}},
        {{"id", "role_failed_settable"},
         {"attributes", {{"AXRole", {{"error", -25204}}}, {"AXValue", "t"}}},
         {"settable", {"AXValue"}}},
        {{"id", "button"}, {"attributes", {{"AXRole", "AXButton"}}}},
        {{"id", "search"}, {"attributes", {{"AXRole", "AXSearchField"}}}},
        {{"id", "lowercase_role"}, {"attributes", {{"AXRole", "AXtextField"}}}},
        text_field("surrogate", "AXTextField",
                   {{"utf16", {0x61, 0xD83D, 0xDE00}}}, 2, 0),
        {{"id", "empty_unit"},
         {"attributes",
          {{"AXRole", "AXTextField"},
           {"AXValue", "ab"},
           {"AXSelectedTextRange", {{"range", {1, 0}}}}}},
         {"parameterized", {{"AXStringForRange", ""}}}},
        {{"id", "unreadable_unit"},
         {"attributes",
          {{"AXRole", "AXTextField"},
           {"AXValue", "ab"},
           {"AXSelectedTextRange", {{"range", {1, 0}}}}}},
         {"parameterized", {{"AXStringForRange", {{"error", -25204}}}}}},
        {{"id", "selection_past_text"},
         {"attributes",
          {{"AXRole", "AXTextField"},
           {"AXValue", "ab"},
           {"AXSelectedTextRange", {{"range", {9, 0}}}}}}},
    });
    load({{"applications",
           json::array({{{"pid", 300},
                         {"name", "Mail"},
                         {"ui",
                          {{"id", "app"},
                           {"attributes", {{"AXRole", "AXApplication"}}},
                           {"children", fields}}}}})}});
  }

  json context_of(const char* id) {
    act({{"action", "focus"}, {"element", id}});
    return caret_context();
  }
};

json answer(bool text_field, bool secure, json before) {
  return {{"focused", true},
          {"text_field", text_field},
          {"secure", secure},
          {"before", std::move(before)}};
}

TEST_F(CaretTest, NothingFocused) {
  EXPECT_EQ(caret_context(), (json{{"focused", false}}));
}

TEST_F(CaretTest, CharacterBeforeTheCaret) {
  EXPECT_EQ(context_of("start"), answer(true, false, nullptr));
  EXPECT_EQ(context_of("between"), answer(true, false, "a"));
  // Taken before the start of the selection, not from the selected text.
  EXPECT_EQ(context_of("selection"), answer(true, false, "c"));
  // Half of a pair comes out as U+FFFD.
  EXPECT_EQ(context_of("surrogate"), answer(true, false, "\xEF\xBF\xBD"));
  EXPECT_EQ(context_of("empty_unit"), answer(true, false, ""));
  EXPECT_EQ(context_of("unreadable_unit"), answer(true, false, nullptr));
  EXPECT_EQ(context_of("selection_past_text"), answer(true, false, nullptr));
}

TEST_F(CaretTest, SecureFieldsNeverGiveTheirText) {
  EXPECT_EQ(context_of("password"), answer(true, true, nullptr));
  EXPECT_EQ(context_of("subrole_secure"), answer(true, true, nullptr));
  // No selection: a secure role is not one of the text roles.
  EXPECT_EQ(context_of("secure_no_selection"), answer(false, true, nullptr));
}

TEST_F(CaretTest, TextFieldWithoutSelection) {
  EXPECT_EQ(context_of("search"), answer(true, false, nullptr));
  EXPECT_EQ(context_of("button"), answer(false, false, nullptr));
  EXPECT_EQ(context_of("lowercase_role"), answer(false, false, nullptr));
  EXPECT_EQ(context_of("roleless_settable"), answer(true, false, nullptr));
  EXPECT_EQ(context_of("roleless_fixed"), answer(false, false, nullptr));
  EXPECT_EQ(context_of("roleless_number"), answer(false, false, nullptr));
  // A role that cannot be read counts as absent, not as a text role.
  EXPECT_EQ(context_of("role_failed_settable"), answer(true, false, nullptr));
}

}  // namespace
}  // namespace frontmost::platform
