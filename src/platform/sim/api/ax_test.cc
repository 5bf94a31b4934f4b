// Accessibility through the platform layer against loaded desktops.
#include "platform/ax.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;
using namespace sim::testing;

json editor() {
  return json::parse(R"({
    "applications": [{"pid": 501, "bundle_id": "com.example.editor",
      "ui": {"id": "app", "attributes": {"AXRole": "AXApplication"},
        "children": [{"id": "win", "attributes": {"AXRole": "AXWindow",
                                                  "AXTitle": "Notes"},
          "children": [
            {"id": "field", "settable": ["AXSelectedText"],
             "attributes": {"AXRole": "AXTextArea", "AXValue": "hello",
                            "AXSelectedTextRange": {"range": [5, 0]},
                            "AXTitleUIElement": {"element": "label"},
                            "AXHelp": {"error": -25204},
                            "AXDescription": {"none": true}}},
            {"id": "label", "attributes": {"AXRole": "AXStaticText",
                                           "AXValue": "Body"}}]}]}}],
    "focus": "field"})");
}

TEST(Ax, TypedValuesOfEveryKind) {
  LOAD(json::parse(R"({"applications": [{"pid": 1, "ui": {"id": "e",
    "attributes": {
      "s": "añ", "i": -7, "d": 2.5, "nan": {"float": "nan"}, "t": true,
      "n": null, "a": [1, "x"], "r": {"range": [3, 4]},
      "rect": {"rect": [1, 2, 3, {"float": "-inf"}]}, "p": {"point": [5, 6]},
      "sz": {"size": [7, 8]}, "err": {"ax_error": -25212},
      "u": {"utf16": [104, 55357]}, "dict": {"dict": {"k": 1}},
      "data": {"data": "00ff"}, "o": {"other": true}}}}], "focus": "e"})"));
  AuditScope scope;
  {
    cf::Ref e = focused();
    auto read = [&](const char* name) {
      cf::Ref v;
      EXPECT_EQ(ax::copy_attribute_value(e.get(), name, &v), ax::kSuccess)
          << name;
      return v;
    };
    EXPECT_EQ(cf::string_units(read("s").get()), u"añ");
    int64_t i = 0;
    EXPECT_TRUE(cf::number_get_i64(read("i").get(), &i));
    EXPECT_EQ(i, -7);
    double d = 0;
    cf::Ref frac = read("d");
    EXPECT_FALSE(cf::number_get_i64(frac.get(), &i));
    EXPECT_EQ(i, 2);  // truncated
    EXPECT_TRUE(cf::number_get_f64(frac.get(), &d));
    EXPECT_EQ(d, 2.5);
    EXPECT_TRUE(cf::number_get_f64(read("nan").get(), &d));
    EXPECT_TRUE(std::isnan(d));
    EXPECT_EQ(read("t").get(), cf::boolean_value(true));
    EXPECT_EQ(read("n").get(), cf::null_value());
    cf::Ref a = read("a");
    ASSERT_EQ(cf::array_count(a.get()), 2);
    EXPECT_EQ(cf::get_type_id(cf::array_get(a.get(), 1)), cf::TypeId::String);
    ax::Range r;
    EXPECT_TRUE(ax::value_get_range(read("r").get(), &r));
    EXPECT_EQ(r.location, 3);
    EXPECT_EQ(r.length, 4);
    ax::Rect rect;
    cf::Ref rv = read("rect");
    EXPECT_FALSE(ax::value_get_range(rv.get(), &r));
    EXPECT_TRUE(ax::value_get_rect(rv.get(), &rect));
    EXPECT_EQ(rect.height, -INFINITY);
    ax::Point p;
    EXPECT_TRUE(ax::value_get_point(read("p").get(), &p));
    EXPECT_EQ(p.y, 6);
    ax::Size sz;
    EXPECT_TRUE(ax::value_get_size(read("sz").get(), &sz));
    EXPECT_EQ(sz.width, 7);
    ax::Error code = 0;
    cf::Ref err = read("err");
    EXPECT_EQ(ax::value_get_type(err.get()), ax::ValueType::AXError);
    EXPECT_TRUE(ax::value_get_error(err.get(), &code));
    EXPECT_EQ(code, ax::kNoValue);
    EXPECT_EQ(cf::string_units(read("u").get()), std::u16string(u"h\xD83D"));
    cf::Ref dict = read("dict");
    EXPECT_TRUE(cf::number_get_i64(cf::dictionary_get(dict.get(), "k"), &i));
    EXPECT_EQ(cf::dictionary_get(dict.get(), "missing"), nullptr);
    cf::Ref data = read("data");
    ASSERT_EQ(cf::data_length(data.get()), 2);
    EXPECT_EQ(cf::data_bytes(data.get())[1], 0xff);
    EXPECT_EQ(cf::get_type_id(read("o").get()), cf::TypeId::ObjcObject);
  }
  scope.expect_balanced();
}

TEST(Ax, ReadOutcomesAndDerivedAttributes) {
  LOAD(editor());
  AuditScope scope;
  {
    cf::Ref field = focused();
    ASSERT_TRUE(field);
    EXPECT_EQ(cf::get_type_id(field.get()), cf::TypeId::AXUIElement);
    cf::Ref v;
    EXPECT_EQ(ax::copy_attribute_value(field.get(), "AXHelp", &v),
              ax::kCannotComplete);
    EXPECT_EQ(ax::copy_attribute_value(field.get(), "AXDescription", &v),
              ax::kSuccess);
    EXPECT_FALSE(v);
    EXPECT_EQ(ax::copy_attribute_value(field.get(), "AXPlaceholderValue", &v),
              ax::kAttributeUnsupported);

    int64_t count = 0;
    ASSERT_EQ(ax::copy_attribute_value(field.get(), "AXNumberOfCharacters", &v),
              ax::kSuccess);
    EXPECT_TRUE(cf::number_get_i64(v.get(), &count));
    EXPECT_EQ(count, 5);

    cf::Ref window, parent, title;
    ASSERT_EQ(ax::copy_attribute_value(field.get(), "AXWindow", &window),
              ax::kSuccess);
    ASSERT_EQ(ax::copy_attribute_value(field.get(), "AXParent", &parent),
              ax::kSuccess);
    EXPECT_TRUE(cf::equal(window.get(), parent.get()));
    EXPECT_FALSE(cf::equal(window.get(), field.get()));

    cf::Ref children;
    ASSERT_EQ(ax::copy_attribute_value(window.get(), "AXChildren", &children),
              ax::kSuccess);
    ASSERT_EQ(cf::array_count(children.get()), 2);
    EXPECT_TRUE(cf::equal(cf::array_get(children.get(), 0), field.get()));
    ASSERT_EQ(ax::copy_attribute_value(field.get(), "AXTitleUIElement", &title),
              ax::kSuccess);
    EXPECT_TRUE(cf::equal(cf::array_get(children.get(), 1), title.get()));

    // The application element is the root: no parent, no window.
    cf::Ref app;
    ASSERT_EQ(ax::copy_attribute_value(window.get(), "AXParent", &app),
              ax::kSuccess);
    EXPECT_EQ(ax::copy_attribute_value(app.get(), "AXParent", &v),
              ax::kNoValue);
    EXPECT_EQ(ax::copy_attribute_value(app.get(), "AXWindow", &v),
              ax::kNoValue);
    EXPECT_EQ(ax::copy_attribute_value(title.get(), "AXNumberOfCharacters", &v),
              ax::kSuccess);

    int32_t pid = 0;
    EXPECT_EQ(ax::get_pid(field.get(), &pid), ax::kSuccess);
    EXPECT_EQ(pid, 501);
    cf::Ref system = ax::create_system_wide();
    EXPECT_EQ(ax::get_pid(system.get(), &pid), ax::kIllegalArgument);
  }
  scope.expect_balanced();
}

TEST(Ax, NothingFocusedAndSystemWideOverrides) {
  LOAD(json::object());
  cf::Ref system = ax::create_system_wide();
  cf::Ref v;
  EXPECT_EQ(ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &v),
            ax::kNoValue);
  LOAD(json::parse(
      R"({"system_wide": {"attributes": {"AXFocusedUIElement": "text"}}})"));
  ASSERT_EQ(ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &v),
            ax::kSuccess);
  EXPECT_EQ(cf::get_type_id(v.get()), cf::TypeId::String);
}

TEST(Ax, ChildrenSlices) {
  json d = editor();
  LOAD(d);
  cf::Ref window = element("win");
  cf::Ref v;
  ASSERT_EQ(ax::copy_attribute_values(window.get(), "AXChildren", 1, 64, &v),
            ax::kSuccess);
  EXPECT_EQ(cf::array_count(v.get()), 1);
  ASSERT_EQ(ax::copy_attribute_values(window.get(), "AXChildren", 0, 1, &v),
            ax::kSuccess);
  EXPECT_EQ(cf::array_count(v.get()), 1);
  EXPECT_EQ(ax::copy_attribute_values(window.get(), "AXChildren", 3, 1, &v),
            ax::kIllegalArgument);
  EXPECT_EQ(ax::copy_attribute_values(window.get(), "AXTitle", 0, 1, &v),
            ax::kIllegalArgument);
}

TEST(Ax, MultipleReadWithMixedOutcomes) {
  LOAD(editor());
  AuditScope scope;
  {
    cf::Ref field = focused();
    const std::string_view names[] = {"AXRole", "AXDescription", "AXHelp",
                                      "AXSubrole"};
    cf::Ref values;
    ASSERT_EQ(ax::copy_multiple_attribute_values(field.get(), names, 0, &values),
              ax::kSuccess);
    ASSERT_EQ(cf::array_count(values.get()), 4);
    EXPECT_EQ(utf8(cf::array_get(values.get(), 0)), "AXTextArea");
    EXPECT_EQ(cf::array_get(values.get(), 1), cf::null_value());
    ax::Error code = 0;
    EXPECT_TRUE(ax::value_get_error(cf::array_get(values.get(), 2), &code));
    EXPECT_EQ(code, ax::kCannotComplete);
    EXPECT_TRUE(ax::value_get_error(cf::array_get(values.get(), 3), &code));
    EXPECT_EQ(code, ax::kAttributeUnsupported);
    // Stop at the first error.
    EXPECT_EQ(ax::copy_multiple_attribute_values(field.get(), names, 1, &values),
              ax::kCannotComplete);
    EXPECT_FALSE(values);
  }
  scope.expect_balanced();

  LOAD(json::parse(R"({"applications": [{"pid": 2, "ui": {"id": "a",
      "children": [{"id": "short", "multiple": {"count": 1}},
                   {"id": "broken", "multiple": {"error": -25200}},
                   {"id": "empty", "multiple": {"none": true}}]}}]})"));
  const std::string_view two[] = {"AXRole", "AXTitle"};
  cf::Ref values;
  ASSERT_EQ(ax::copy_multiple_attribute_values(element("short").get(), two, 0,
                                               &values),
            ax::kSuccess);
  EXPECT_EQ(cf::array_count(values.get()), 1);
  EXPECT_EQ(ax::copy_multiple_attribute_values(element("broken").get(), two, 0,
                                               &values),
            ax::kFailure);
  EXPECT_EQ(ax::copy_multiple_attribute_values(element("empty").get(), two, 0,
                                               &values),
            ax::kSuccess);
  EXPECT_FALSE(values);
}

TEST(Ax, StringForRange) {
  LOAD(json::parse(R"({"applications": [{"pid": 3, "ui": {"id": "f",
      "attributes": {"AXValue": "a😀b"}, "children": [
        {"id": "over", "attributes": {"AXValue": "x"},
         "parameterized": {"AXStringForRange": {"error": -25200}}},
        {"id": "plain"}]}}]})"));
  cf::Ref f = element("f");
  auto range = [&](int64_t loc, int64_t len, cf::Ref* out,
                   const std::string& id = "f") {
    cf::Ref param = ax::value_create_range({loc, len});
    return ax::copy_parameterized_attribute_value(
        id == "f" ? f.get() : element(id).get(), "AXStringForRange",
        param.get(), out);
  };
  cf::Ref s;
  ASSERT_EQ(range(0, 2, &s), ax::kSuccess);
  // Cut inside the surrogate pair: the high surrogate stays alone.
  EXPECT_EQ(cf::string_units(s.get()), std::u16string(u"a\xD83D"));
  ASSERT_EQ(range(4, 0, &s), ax::kSuccess);
  EXPECT_EQ(cf::string_units(s.get()), u"");
  EXPECT_EQ(range(3, 2, &s), ax::kIllegalArgument);
  EXPECT_EQ(range(-1, 1, &s), ax::kIllegalArgument);
  EXPECT_EQ(range(0, 1, &s, "over"), ax::kFailure);
  EXPECT_EQ(range(0, 0, &s, "plain"), -25213);
  // The parameter must be a range.
  cf::Ref number = cf::number_create_i64(1);
  EXPECT_EQ(ax::copy_parameterized_attribute_value(f.get(), "AXStringForRange",
                                                   number.get(), &s),
            ax::kIllegalArgument);
}

TEST(Ax, Settable) {
  LOAD(json::parse(R"({"applications": [{"pid": 4, "ui": {"id": "a",
      "settable": {"AXValue": true, "AXSelectedText": {"error": -25202},
                   "AXTitle": false}}}]})"));
  cf::Ref a = element("a");
  bool settable = true;
  EXPECT_EQ(ax::is_attribute_settable(a.get(), "AXValue", &settable),
            ax::kSuccess);
  EXPECT_TRUE(settable);
  EXPECT_EQ(ax::is_attribute_settable(a.get(), "AXTitle", &settable),
            ax::kSuccess);
  EXPECT_FALSE(settable);
  EXPECT_EQ(ax::is_attribute_settable(a.get(), "AXSelectedText", &settable),
            ax::kInvalidUIElement);
  settable = true;
  EXPECT_EQ(ax::is_attribute_settable(a.get(), "AXOther", &settable),
            ax::kSuccess);
  EXPECT_FALSE(settable);
}

TEST(Ax, RemovedElementsAreInvalid) {
  LOAD(editor());
  cf::Ref field = focused();
  cf::Ref label = element("label");
  // Replace the window's children: the old field goes away.
  ASSERT_EQ(apply_data_action(json::parse(R"({"action": "set",
      "element": "win", "children": [{"id": "field",
      "attributes": {"AXValue": "new"}}]})")),
            "");
  cf::Ref v;
  EXPECT_EQ(ax::copy_attribute_value(field.get(), "AXValue", &v),
            ax::kInvalidUIElement);
  EXPECT_EQ(ax::copy_attribute_value(label.get(), "AXValue", &v),
            ax::kInvalidUIElement);
  int32_t pid;
  EXPECT_EQ(ax::get_pid(label.get(), &pid), ax::kInvalidUIElement);
  // The id now names the new element.
  cf::Ref now = element("field");
  EXPECT_FALSE(cf::equal(now.get(), field.get()));
  ASSERT_EQ(ax::copy_attribute_value(now.get(), "AXValue", &v), ax::kSuccess);
  EXPECT_EQ(utf8(v.get()), "new");
  EXPECT_EQ(ax::get_pid(now.get(), &pid), ax::kSuccess);
  EXPECT_EQ(pid, 501);
  // Replacing the application removes the whole tree.
  ASSERT_EQ(apply_data_action({{"action", "application"}, {"pid", 501}}), "");
  EXPECT_EQ(ax::copy_attribute_value(now.get(), "AXValue", &v),
            ax::kInvalidUIElement);
  // A new desktop invalidates everything of the old one.
  LOAD(editor());
  EXPECT_EQ(ax::copy_attribute_value(field.get(), "AXRole", &v),
            ax::kInvalidUIElement);
}

// Messages to a slow application: answered after its delay when that is
// within the messaging timeout, otherwise cut off at the timeout.
TEST(Ax, DelayAgainstMessagingTimeout) {
  using Clock = std::chrono::steady_clock;
  LOAD(json::parse(R"({"applications": [{"pid": 5, "ui": {"id": "slow",
      "delay_ms": 150, "attributes": {"AXRole": "AXTextField"}}}]})"));
  cf::Ref slow = element("slow");
  cf::Ref system = ax::create_system_wide();
  auto timed = [&](ax::Error* error) {
    cf::Ref v;
    auto start = Clock::now();
    *error = ax::copy_attribute_value(slow.get(), "AXRole", &v);
    return std::chrono::duration<double, std::milli>(Clock::now() - start)
        .count();
  };
  ax::Error error;
  ASSERT_EQ(ax::set_messaging_timeout(system.get(), 0.05f), ax::kSuccess);
  double ms = timed(&error);
  EXPECT_EQ(error, ax::kCannotComplete);
  EXPECT_GE(ms, 45);
  EXPECT_LT(ms, 140);  // never waits out the whole delay

  ASSERT_EQ(ax::set_messaging_timeout(system.get(), 1.0f), ax::kSuccess);
  ms = timed(&error);
  EXPECT_EQ(error, ax::kSuccess);
  EXPECT_GE(ms, 145);

  // A timeout of its own beats the process-wide one.
  ASSERT_EQ(ax::set_messaging_timeout(slow.get(), 0.02f), ax::kSuccess);
  ms = timed(&error);
  EXPECT_EQ(error, ax::kCannotComplete);
  EXPECT_LT(ms, 140);
  EXPECT_EQ(ax::set_messaging_timeout(system.get(), -1.0f),
            ax::kIllegalArgument);

  // The delay can change while the desktop runs; a multiple read is one
  // message and pays it once.
  ASSERT_EQ(apply_data_action(
                {{"action", "delay"}, {"element", "slow"}, {"delay_ms", 60}}),
            "");
  const std::string_view names[] = {"AXRole", "AXTitle", "AXValue"};
  cf::Ref values;
  auto start = Clock::now();
  EXPECT_EQ(ax::copy_multiple_attribute_values(element("slow").get(), names, 0,
                                               &values),
            ax::kSuccess);
  double multiple_ms =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_GE(multiple_ms, 55);
  EXPECT_LT(multiple_ms, 170);
}

}  // namespace
}  // namespace sim
