#include "macos_screen/reader.h"

#include <gtest/gtest.h>

#include "platform/sim/testing/desktop_fixture.h"

namespace frontmost::platform::screen {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using Kind = Outcome::Kind;

class ReaderTest : public sim::testing::DesktopTest {
 protected:
  void load_field(json attributes, json extra = json::object()) {
    json field = {{"id", "field"}, {"attributes", std::move(attributes)}};
    for (auto& [key, value] : extra.items()) field[key] = value;
    load({{"applications", {{{"pid", 300}, {"ui", {{"id", "app"}, {"children", {field}}}}}}},
          {"focus", "field"}});
  }
  // The timeouts set on the system-wide element since the load.
  std::vector<double> timeouts() {
    std::vector<double> seconds;
    for (const json& e : effects("messaging_timeout")) seconds.push_back(e.value("seconds", -1.0));
    return seconds;
  }
  static cf::Ref field() {
    cf::Ref value;
    ax::copy_attribute_value(ax::create_system_wide().get(), "AXFocusedUIElement", &value);
    return value;
  }
};

TEST_F(ReaderTest, GateHandsTheWholeRemainingTimeToTheNextMessage) {
  EXPECT_EQ(read_timeout(1ms), 0.001f);
  EXPECT_EQ(read_timeout(1ms - 1ns), std::nullopt);
  EXPECT_EQ(read_timeout(-5ms), std::nullopt);
  EXPECT_EQ(read_timeout(2s + 500ms), 2.5f);  // no clamp

  load_field({{"AXRole", "AXTextField"}});
  Instant at = 1000s;
  Now still = [&at] { return at; };
  {
    Reader reader(1ms, still);  // exactly 1 ms left: read, with 0.001 s
    EXPECT_TRUE(element(reader, reader.system_wide(), "AXFocusedUIElement"));
    EXPECT_TRUE(reader.complete());
  }
  {
    // Less: nothing is asked. A single read clears `complete`; a multiple
    // read leaves that to its caller.
    Reader reader(1ms - 1ns, still);
    for (const Outcome& o : many<2>(reader, reader.system_wide(), {"AXRole", "AXTitle"})) {
      EXPECT_EQ(o.code, ax::kCannotComplete);
    }
    EXPECT_TRUE(reader.complete());
    EXPECT_FALSE(frame(reader, field()));  // consumed all the same (audit)
    EXPECT_FALSE(reader.complete());
    at += 1h;
    EXPECT_EQ(reader.remaining(), 0ns);
  }
  // Each reader ends by setting the timeout back.
  EXPECT_EQ(timeouts(), (std::vector<double>{0.001, 0.25, 0.25}));
}

TEST_F(ReaderTest, ReadOutcomesAndWhatClearsComplete) {
  json attributes = {{"AXRole", "AXTextField"},
                     {"AXValue", 7},
                     {"AXParent", "not an element"},
                     {"AXTitle", {{"none", true}}},
                     {"AXHelp", {{"error", -25212}}},
                     {"AXDescription", {{"error", -25204}}},
                     {"AXFrame", {{"point", {1, 2}}}}};
  load_field(attributes);
  cf::Ref f = field();
  struct Single {
    const char* name;
    bool array, found, complete;
  };
  for (const Single& c : {Single{"AXHelp", false, false, true}, {"AXSubrole", false, false, true},
                          {"AXTitle", false, false, true}, {"AXParent", false, false, false},
                          {"AXDescription", true, false, false}, {"AXRole", true, false, false},
                          {"AXChildren", true, true, true}}) {
    Reader reader(1s);
    cf::Ref got = c.array ? array(reader, f.get(), c.name) : element(reader, f.get(), c.name);
    EXPECT_EQ(bool(got), c.found) << c.name;
    EXPECT_EQ(reader.complete(), c.complete) << c.name;
  }
  {
    Reader reader(1s);
    EXPECT_FALSE(frame(reader, field()));  // a point is not a frame...
    EXPECT_TRUE(reader.complete());        // ...and no failure

    auto read = many<6>(reader, f.get(),
                        {"AXRole", "AXValue", "AXTitle", "AXHelp", "AXDescription", "AXNope"});
    EXPECT_EQ(read[0].text().value(), "AXTextField");
    EXPECT_EQ(cf::get_type_id(read[1].value.get()), cf::TypeId::Number);  // any type
    EXPECT_EQ(read[1].text().code, ax::kFailure);                          // not a text
    EXPECT_EQ(read[2].kind, Kind::Missing);  // kCFNull
    EXPECT_EQ(read[3].kind, Kind::Missing);  // no value
    EXPECT_EQ(read[4].code, ax::kCannotComplete);
    EXPECT_EQ(read[5].kind, Kind::Missing);  // unsupported
    EXPECT_TRUE(reader.complete());
  }
  f.reset();
  // A short array, a failed call, a call without an array.
  for (json multiple : {json{{"count", 2}}, json{{"error", -25202}}, json{{"none", true}}}) {
    load_field(attributes, {{"multiple", multiple}});
    Reader reader(1s);
    auto read = many<4>(reader, field().get(), {"AXRole", "AXValue", "AXTitle", "AXHelp"});
    ax::Error code = multiple.contains("error") ? -25202 : ax::kFailure;
    for (size_t i = multiple.contains("count") ? 2 : 0; i < read.size(); ++i) {
      EXPECT_EQ(read[i].code, code) << multiple.dump() << " " << i;
    }
  }
}

}  // namespace
}  // namespace frontmost::platform::screen
