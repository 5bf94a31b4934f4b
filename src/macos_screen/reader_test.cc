#include "macos_screen/reader.h"

#include <gtest/gtest.h>

#include "macos/test_desktop.h"

namespace frontmost::platform::screen {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using Kind = Outcome::Kind;

// A clock that stands still unless the test moves it.
struct StillClock {
  Instant at = 1000s;
  Now now() {
    return [this] { return at; };
  }
};

json desktop_with(json field) {
  return {{"applications",
           json::array({{{"pid", 300},
                         {"ui",
                          {{"id", "app"},
                           {"attributes", {{"AXRole", "AXApplication"}}},
                           {"children", json::array({std::move(field)})}}}}})},
          {"focus", "field"}};
}

class ReaderTest : public testing::DesktopTest {
 protected:
  // The timeouts set on the system-wide element since the desktop was loaded.
  std::vector<double> timeouts() {
    std::vector<double> seconds;
    for (const json& e : effects("messaging_timeout")) {
      if (e.value("element", "") == "system_wide") seconds.push_back(e.value("seconds", -1.0));
    }
    return seconds;
  }
  cf::Ref field() {
    cf::Ref system_wide = ax::create_system_wide();
    cf::Ref value;
    EXPECT_EQ(ax::copy_attribute_value(system_wide.get(), "AXFocusedUIElement", &value), 0);
    return value;
  }
};

TEST_F(ReaderTest, GateTurnsTheRemainingTimeIntoTheTimeout) {
  EXPECT_EQ(read_timeout(1ms), 0.001f);
  EXPECT_EQ(read_timeout(999999ns), std::nullopt);
  EXPECT_EQ(read_timeout(0ns), std::nullopt);
  EXPECT_EQ(read_timeout(-5ms), std::nullopt);
  EXPECT_EQ(read_timeout(12ms), 0.012f);
  EXPECT_EQ(read_timeout(2s + 500ms), 2.5f);  // no clamp: all of it

  load(desktop_with({{"id", "field"}, {"attributes", {{"AXRole", "AXTextField"}}}}));
  StillClock clock;
  {
    // Exactly 1 ms left: the read is made with a timeout of 0.001 s.
    Reader reader(1ms, clock.now());
    EXPECT_TRUE(element(reader, reader.system_wide(), "AXFocusedUIElement"));
    EXPECT_TRUE(reader.complete());
  }
  EXPECT_EQ(timeouts(), (std::vector<double>{0.001, 0.25}));
  {
    // A nanosecond less: no read, no timeout; a single read clears
    // `complete`, a multiple read leaves it to the caller.
    Reader reader(1ms - 1ns, clock.now());
    auto read = many<2>(reader, reader.system_wide(), {"AXRole", "AXTitle"});
    for (const Outcome& o : read) {
      EXPECT_EQ(o.kind, Kind::Failed);
      EXPECT_EQ(o.code, ax::kCannotComplete);
    }
    EXPECT_TRUE(reader.complete());
    EXPECT_FALSE(element(reader, reader.system_wide(), "AXFocusedUIElement"));
    EXPECT_FALSE(reader.complete());
    EXPECT_FALSE(frame(reader, field()));  // consumed all the same (audit)
    clock.at += 1h;
    EXPECT_EQ(reader.remaining(), 0ns);
  }
  EXPECT_EQ(timeouts(), (std::vector<double>{0.001, 0.25, 0.25}));
}

TEST_F(ReaderTest, SingleReadsAndWhatClearsComplete) {
  load(desktop_with({{"id", "field"},
                     {"attributes",
                      {{"AXRole", "AXTextField"},
                       {"AXParent", "not an element"},
                       {"AXTitleUIElement", {{"none", true}}},
                       {"AXFrame", {{"point", {1, 2}}}},
                       {"AXChildren", {{"error", -25204}}},
                       {"AXHelp", {{"error", -25212}}}}}}));
  cf::Ref f = field();
  struct Case {
    const char* name;
    bool array, complete;
  };
  for (const Case& c : {Case{"AXHelp", false, true}, Case{"AXSubrole", false, true},
                        Case{"AXTitleUIElement", false, true}, Case{"AXParent", false, false},
                        Case{"AXChildren", true, false}, Case{"AXRole", true, false}}) {
    Reader reader(1s);
    cf::Ref got = c.array ? array(reader, f.get(), c.name) : element(reader, f.get(), c.name);
    EXPECT_FALSE(got) << c.name;
    EXPECT_EQ(reader.complete(), c.complete) << c.name;
  }
  Reader reader(1s);
  EXPECT_TRUE(array(reader, f.get(), "AXVisibleChildren"));
  EXPECT_FALSE(element(reader, f.get(), "AXWindow"));  // no window: missing
  EXPECT_TRUE(reader.complete());
  // A point is not a frame, and says nothing about completeness.
  EXPECT_FALSE(frame(reader, field()));
  EXPECT_TRUE(reader.complete());
  act({{"action", "set"}, {"element", "field"},
       {"attributes", {{"AXFrame", {{"rect", {1, 2, 3, 4}}}}}}});
  std::optional<ax::Rect> rect = frame(reader, field());
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->width, 3);
  act({{"action", "set"}, {"element", "field"},
       {"attributes", {{"AXFrame", {{"error", -25202}}}}}});
  EXPECT_FALSE(frame(reader, field()));
  EXPECT_FALSE(reader.complete());
}

TEST_F(ReaderTest, MultipleReadOutcomes) {
  json field = {{"id", "field"},
                {"attributes",
                 {{"AXRole", "AXTextField"},
                  {"AXValue", 7},
                  {"AXTitle", {{"none", true}}},
                  {"AXHelp", {{"error", -25212}}},
                  {"AXDescription", {{"error", -25204}}}}}};
  load(desktop_with(field));
  auto read_all = [&] {
    Reader reader(1s);
    auto out = many<6>(reader, this->field().get(),
                       {"AXRole", "AXValue", "AXTitle", "AXHelp", "AXDescription", "AXNope"});
    EXPECT_TRUE(reader.complete());
    return out;
  };
  std::array<Outcome, 6> out = read_all();
  EXPECT_EQ(out[0].text().value(), "AXTextField");
  EXPECT_EQ(out[1].kind, Kind::Present);  // any type is carried
  EXPECT_EQ(cf::get_type_id(out[1].value.get()), cf::TypeId::Number);
  EXPECT_EQ(out[1].text().code, ax::kFailure);  // but it is not a text
  EXPECT_EQ(out[2].kind, Kind::Missing);         // kCFNull
  EXPECT_EQ(out[3].kind, Kind::Missing);         // no value
  EXPECT_EQ(out[4].code, ax::kCannotComplete);
  EXPECT_EQ(out[5].kind, Kind::Missing);         // unsupported

  out = {};  // the values go before the desktop does
  field["multiple"] = {{"count", 2}};
  load(desktop_with(field));
  out = read_all();
  EXPECT_EQ(out[1].kind, Kind::Present);
  for (size_t i = 2; i < out.size(); ++i) EXPECT_EQ(out[i].code, ax::kFailure) << i;
  out = {};

  for (json whole : {json{{"error", -25202}}, json{{"none", true}}}) {
    field["multiple"] = whole;
    load(desktop_with(field));
    ax::Error code = whole.contains("error") ? -25202 : ax::kFailure;
    for (const Outcome& o : read_all()) EXPECT_EQ(o.code, code);
  }
  // An entry past the end, and an error value that cannot be read.
  EXPECT_EQ(unwrap_error(cf::Ref()).code, ax::kFailure);
  EXPECT_EQ(unwrap_error(cf::Ref::retained(cf::null_value())).kind, Kind::Missing);
}

}  // namespace
}  // namespace frontmost::platform::screen
