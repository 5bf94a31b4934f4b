// Desktop files: precise reasons for bad ones, the examples, the exit of a
// process given a bad one, and the data actions applied while it runs.
#include <dirent.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/cg_event.h"
#include "platform/sim/model/desktop_file.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using nlohmann::json;
using namespace sim::testing;

TEST(DesktopFile, BadFilesGivePreciseReasons) {
  const std::pair<std::string, std::string> cases[] = {
      {"{", "not valid JSON"},
      {"[]", "not a JSON object"},
      {R"({"tpa": {}})", "tpa: unknown member"},
      {R"({"tap": {"refused": 1}})", "tap.refused: expected true or false"},
      {R"({"permissions": {"accessibility": 0}})",
       "permissions.accessibility: expected true or false"},
      {R"({"permissions": {"screen_recording": false}})",
       "permissions.screen_recording: unknown member"},
      {R"({"tap_timeout_ms": -5})", "tap_timeout_ms: expected a number of milliseconds from 0 to 1e12"},
      {R"({"input": {"hid_device_bits": "no"}})",
       "input.hid_device_bits: expected true or false"},
      {R"({"focus": "ghost"})", "focus: no element \"ghost\""},
      {R"({"faults": {}})", "faults: expected an array of faults"},
      {R"({"faults": [{"function": "CGEventTapEnabled"}]})",
       "faults[0]: \"function\" must name a fallible call the helper makes"},
      {R"({"faults": [{"call": 2}]})", "faults[0]: a fault must name its \"function\""},
      {R"({"faults": [{"function": "CGEventPost", "attribute": "AXRole"}]})",
       "faults[0]: \"attribute\" is for the accessibility requests that name one"},
      {R"({"faults": [{"function": "dlsym", "call": 0}]})",
       "faults[0]: \"call\" must be a positive integer"},
      {R"({"faults": [{"function": "dlsym", "count": -1}]})",
       "faults[0]: \"count\" must be an unsigned integer"},
      {R"({"faults": [{"function": "AXUIElementGetPid", "error": "slow"}]})",
       "faults[0]: \"error\" must be an accessibility error name or a nonzero code"},
      {R"({"faults": [{"function": "dlsym", "action": "fault"}]})",
       "faults[0]: unknown member \"action\""},
      {R"({"applications": [{"pid": 1, "ui": {"id": "a"}},
                            {"pid": 2, "ui": {"id": "b", "children": [{"id": "a"}]}}]})",
       "applications[1].ui.children[0].id: duplicate id \"a\""},
      {R"({"applications": [{"pid": 1, "accessibility_on_request":
                               {"attribute": "AXManualAccessibility"}}]})",
       "applications[0].accessibility_on_request: needs a \"ui\": the attribute is set on its root"},
      {R"({"applications": [{"pid": 1, "ui": {"needs_accessibility": true},
          "accessibility_on_request": {"attribute": "AXEnhancedUserInterface"}}]})",
       "applications[0].ui.needs_accessibility: the application element itself always exists"},
      {R"({"applications": [{"pid": 1, "ui": {}, "accessibility_on_request":
                               {"attribute": "AXEnhanced"}}]})",
       "applications[0].accessibility_on_request.attribute: expected \"AXManualAccessibility\" "
       "or \"AXEnhancedUserInterface\""},
      {R"({"applications": [{"pid": 1, "ui": {}, "accessibility_on_request":
          {"attribute": "AXManualAccessibility", "answer": "maybe"}}]})",
       "applications[0].accessibility_on_request.answer: expected \"success\" or \"unsupported\""},
      {R"({"applications": [{"pid": 1, "ui": {}, "accessibility_on_request": {"delay_ms": 5}}]})",
       "applications[0].accessibility_on_request.attribute: missing"},
      {R"({"applications": [{"pid": 1, "ui": {"children": [{"needs_accessibility": 1}]}}]})",
       "applications[0].ui.children[0].needs_accessibility: expected true or false"},
      {R"({"applications": [{"pid": 1}, {"pid": 1}]})",
       "applications[1].pid: two applications with pid 1"},
      {R"({"applications": [{"pid": 4294967296}]})",
       "applications[0].pid: expected a 32-bit process id"},
      {R"({"applications": [{"pid": 1, "ui": {"attributes":
          {"AXTitleUIElement": {"element": "nowhere"}}}}]})",
       "applications[0].ui.attributes.AXTitleUIElement: no element \"nowhere\""},
      {R"({"applications": [{"pid": 1, "ui": {"attributes": {"AXRole": [{"none": true}]}}}]})",
       "applications[0].ui.attributes.AXRole[0].none: \"none\" is a read "
       "outcome, not a value inside another"},
      {R"({"applications": [{"pid": 1, "ui": {"atributes": {}}}]})",
       "applications[0].ui.atributes: unknown member"},
      {R"({"applications": [{"pid": 1, "ui": {"attributes": {"AXFrame": {"rect": [1, 2, 3]}}}}]})",
       "applications[0].ui.attributes.AXFrame.rect: expected an array of 4 numbers"},
      {R"({"carbon": {"missing": ["UCKeyTranslat"]}})",
       "carbon.missing[0]: not one of the Carbon names looked up at run time"},
      {R"({"keyboard": {"plain": {"128": "x"}}})",
       "keyboard.plain: \"128\" is not a key code \"0\"..\"127\""},
      {R"({"keyboard": "colemak"})",
       "keyboard: unknown layout; expected \"us\", \"dvorak\", "
       "\"dvorak_qwerty_command\" or \"none\""},
      {R"({"processes": {"12a": "x"}})", "processes.12a: not a process id"},
      {R"({"windows": [{"kCGWindowBounds": {"dict": {"X": {"error": 5}}}}]})",
       "windows[0].kCGWindowBounds.dict.X.error: \"error\" is a read outcome, "
       "not a value inside another"},
      {R"({"paste": {"set": [{"element": "x", "attributes": {}}]}})",
       "paste.set[0].element: no element \"x\""},
      {R"({"script": [{"action": "marker"}]})", "script[0]: missing \"at_ms\""},
      {R"({"script": [{"at_ms": 5, "action": "delay", "element": "x"}]})",
       "script[0]: delay_ms: missing"},
      {R"({"system_wide": {"delay_ms": -1}})",
       "system_wide.delay_ms: expected a number of milliseconds from 0 to 1e12"},
      // Text the JSON parser alone would take: a NUL and what follows it, a
      // byte-order mark, integers beyond 64 bits; times that overflow clocks.
      {std::string("{}\0garbage", 10), "not valid JSON (a NUL byte)"},
      {"\xEF\xBB\xBF{}", "not valid JSON (a byte-order mark)"},
      {R"({"processes": {"1": "a"}, "input": {"flags": 18446744073709551616}})",
       "an integer beyond the 64-bit range"},
      {R"({"system_wide": {"attributes": {"x": -9223372036854775809}}})",
       "an integer beyond the 64-bit range"},
      {R"({"script": [{"at_ms": 1e308, "action": "marker", "label": "x"}]})",
       "script[0].at_ms: expected a number of milliseconds from 0 to 1e12"},
      {R"({"system_wide": {"delay_ms": 1e308}})",
       "system_wide.delay_ms: expected a number of milliseconds from 0 to 1e12"},
  };
  for (const auto& [text, reason] : cases) {
    EXPECT_EQ(check_desktop(text), reason) << text;
  }
  EXPECT_EQ(check_desktop(R"({"input": {"flags": 18446744073709551615},
      "system_wide": {"attributes": {"x": -9223372036854775808, "y": "1e999999999999999999999"}}})"),
            "");
  std::string deep = std::string(200, '[') + std::string(200, ']');
  std::string r = check_desktop(
      R"({"system_wide": {"attributes": {"x": )" + deep + "}}}");
  EXPECT_EQ(r.substr(0, 27), "system_wide.attributes.x[0]");
  EXPECT_EQ(r.substr(r.size() - 26), ": values nested too deeply");
  std::string deeper = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_EQ(check_desktop(R"({"script": [{"at_ms": 0, "action": "marker",
                                          "label": )" + deeper + "}]}"),
            "nested too deeply");
}

TEST(DesktopFile, ExamplesAreValid) {
  std::string dir = std::string(QCH_SOURCE_DIR) + "/examples";
  DIR* d = opendir(dir.c_str());
  ASSERT_NE(d, nullptr);
  int count = 0;
  while (dirent* entry = readdir(d)) {
    std::string name = entry->d_name;
    if (name.size() < 5 || name.substr(name.size() - 5) != ".json") continue;
    std::ifstream in(dir + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(check_desktop(text.str()), "") << name;
    ++count;
  }
  closedir(d);
  EXPECT_GE(count, 6);
}

TEST(DesktopFileDeathTest, BadFileEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string name = ::testing::TempDir() + "qch-desktop-XXXXXX";
  std::vector<char> path(name.begin(), name.end());
  path.push_back('\0');
  int fd = mkstemp(path.data());
  ASSERT_GE(fd, 0);
  std::string text = R"({"focus": "x"})";
  ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
  close(fd);
  setenv("QUORVEL_DESKTOP", path.data(), 1);
  EXPECT_EXIT(ensure_loaded(), ::testing::ExitedWithCode(kBadDesktopStatus),
              "^quorvel-computer-helper: desktop file .*qch-desktop-.*: "
              "focus: no element \"x\"\n$");
  setenv("QUORVEL_DESKTOP", "/nonexistent/desktop.json", 1);
  EXPECT_EXIT(ensure_loaded(), ::testing::ExitedWithCode(kBadDesktopStatus),
              "desktop file /nonexistent/desktop.json: cannot be read");
  setenv("QUORVEL_DESKTOP", "/", 1);
  EXPECT_EXIT(ensure_loaded(), ::testing::ExitedWithCode(kBadDesktopStatus),
              "desktop file /: cannot be read \\(Is a directory\\)\n$");
  unsetenv("QUORVEL_DESKTOP");
  unlink(path.data());
}

TEST(DataActions, AppliedOrRejectedWhole) {
  LOAD(json::parse(R"({"applications": [{"pid": 1, "ui": {"id": "app",
      "children": [{"id": "f", "attributes": {"AXValue": "a", "AXTitle": "t"}}]}}]})"));
  const std::pair<json, std::string> rejected[] = {
      {{{"action", "set"}, {"element", "nope"}}, "no element \"nope\""},
      {{{"action", "set"}, {"element", "f"}, {"colour", 1}},
       "colour: unknown member"},
      {{{"action", "focus"}, {"element", "nope"}}, "element: no element \"nope\""},
      {{{"action", "application"}, {"pid", 2}, {"ui", {{"id", "f"}}}},
       "ui: duplicate id \"f\""},
      {{{"action", "set"}, {"element", "f"},
        {"attributes", {{"AXParent", {{"element", "ghost"}}}}}},
       "attributes.AXParent: no element \"ghost\""},
      {{{"action", "secure_input"}}, "on: expected true or false"},
      {{{"action", "input"}, {"type", 10}}, "unknown action"},
  };
  for (const auto& [action, reason] : rejected) {
    EXPECT_EQ(apply_data_action(action), reason) << action.dump();
  }
  cf::Ref f = element("f");
  ASSERT_EQ(apply_data_action(json::parse(R"({"action": "set", "element": "f",
      "attributes": {"AXTitle": {"remove": true}, "AXValue": "b"},
      "settable": ["AXValue"]})")),
            "");
  cf::Ref v;
  EXPECT_EQ(ax::copy_attribute_value(f.get(), "AXTitle", &v),
            ax::kAttributeUnsupported);
  ASSERT_EQ(ax::copy_attribute_value(f.get(), "AXValue", &v), ax::kSuccess);
  EXPECT_EQ(utf8(v.get()), "b");
  bool settable = false;
  EXPECT_EQ(ax::is_attribute_settable(f.get(), "AXValue", &settable),
            ax::kSuccess);
  EXPECT_TRUE(settable);
  // A chain of set actions cannot build a tree deeper than a file may.
  std::string last = "f";
  int refused = 0;
  for (int k = 0; k < 300; ++k) {
    std::string id = "deep" + std::to_string(k);
    std::string r = apply_data_action(
        {{"action", "set"}, {"element", last}, {"children", {{{"id", id}}}}});
    if (r.empty()) {
      last = id;
    } else {
      EXPECT_EQ(r, "children: elements nested too deeply");
      ++refused;
    }
  }
  EXPECT_EQ(refused, 300 - (kMaxElementDepth - 1));
  // Replacing an application may reuse the ids of its own old tree.
  EXPECT_EQ(apply_data_action({{"action", "application"}, {"pid", 1},
                               {"ui", {{"id", "f"}}}}),
            "");
}

// Waits (generously) for the focused field's value to become `want`.
bool value_becomes(const std::string& id, const std::string& want) {
  for (int i = 0; i < 200; ++i) {
    cf::Ref v;
    ax::copy_attribute_value(element(id).get(), "AXValue", &v);
    if (utf8(v.get()) == want) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string example(const char* name) {
  std::ifstream in(std::string(QCH_SOURCE_DIR) + "/examples/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PasteReaction, CommandVInTheCommandLayer) {
  ASSERT_EQ(load_for_test(example("editor.json")), "");
  key_posted(9, true, 0);                  // no Command
  key_posted(9, false, cg::kFlagCommand);  // key up
  key_posted(8, true, cg::kFlagCommand);   // Command+C
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(value_becomes("body", "Milk, eggs and "));
  key_posted(9, true, cg::kFlagCommand);
  EXPECT_TRUE(value_becomes("body", "Milk, eggs and bread"));
}

TEST(PasteReaction, DvorakQwertyCommandPastesOnlyOnTheQwertyV) {
  ASSERT_EQ(load_for_test(example("dvorak_qwerty_command.json")), "");
  // Key 47 types "v" without modifiers, but "." with Command.
  key_posted(47, true, cg::kFlagCommand);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(value_becomes("dq-field", ""));
  key_posted(9, true, cg::kFlagCommand);
  EXPECT_TRUE(value_becomes("dq-field", "pasted"));
}

}  // namespace
}  // namespace sim
