// The real helper against simulated desktops: a bad desktop file ends it at
// once, and a paste reaches the focused field of the desktop's application.
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace {

using nlohmann::json;

json example(const char* name) {
  std::ifstream in(std::string(QCH_SOURCE_DIR) + "/examples/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return json::parse(text.str());
}

class DesktopBlackBox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(support::binary().c_str(), X_OK) != 0) {
      GTEST_SKIP() << "the helper is not built";
    }
  }
};

TEST_F(DesktopBlackBox, BadDesktopFileEndsTheHelper) {
  std::string path = ::testing::TempDir() + "qch-bad-desktop.json";
  std::ofstream(path) << R"({"applications": [{"pid": 1, "ui": {"id": "a",
      "attributes": {"AXTitleUIElement": {"element": "b"}}}}]})";
  support::RunResult r = support::run({"dictate", "--key", "fn"}, "",
                                      {{"QUORVEL_DESKTOP", path}});
  unlink(path.c_str());
  EXPECT_EQ(r.status, 78);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "quorvel-computer-helper: desktop file " + path +
                       ": applications[0].ui.attributes.AXTitleUIElement: "
                       "no element \"b\"\n");
}

// Command+V goes out on the key that types V; the application's paste
// reaction changes the field, which the helper sees.
void paste_lands(const char* example_name, int64_t keycode,
                 const std::string& text_after) {
  support::Desktop desktop(example(example_name));
  support::Child helper({"dictate", "--key", "fn"}, desktop.env());
  ASSERT_EQ(helper.read_line(), R"({"event":"ready"})");
  helper.write("7 paste\n");
  EXPECT_EQ(helper.read_line(), R"({"event":"pasted","id":7})");
  ASSERT_TRUE(desktop.sync());
  std::vector<json> posted = desktop.effects("posted");
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0]["keycode"], keycode);
  EXPECT_EQ(posted[0]["down"], true);
  EXPECT_EQ(posted[0]["flags"], 0x100000);
  EXPECT_EQ(posted[1]["down"], false);
  EXPECT_EQ(desktop.effects("paste_applied").size(), 1u);
  // Reading the focused field bounds every message first.
  std::vector<json> timeouts = desktop.effects("messaging_timeout");
  ASSERT_FALSE(timeouts.empty());
  EXPECT_EQ(timeouts[0], json::parse(R"({"effect": "messaging_timeout",
      "element": "system_wide", "seconds": 0.25})"));
  helper.write("8 context\n");
  auto context = json::parse(helper.read_line().value_or("{}"), nullptr, false);
  EXPECT_EQ(context["before"], text_after) << context.dump();
  helper.close_input();
  EXPECT_EQ(helper.wait(), 0);
}

TEST_F(DesktopBlackBox, PasteLandsInTheFocusedField) {
  paste_lands("editor.json", 9, "d");
  paste_lands("dvorak.json", 47, "d");
}

}  // namespace
