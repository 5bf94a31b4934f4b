// Each mode against the permissions a user may or may not have granted: the
// active dictate tap needs Accessibility, the listen-only annotate tap Input
// Monitoring; without its own the mode says "denied" and ends with 3, and
// the other permission alone does not matter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/child.h"
#include "support/desktop.h"

namespace {

using nlohmann::json;

struct Case {
  std::vector<std::string> args;
  json permissions;
  std::string first_line;
  int status;
};

TEST(Permissions, EachTapNeedsItsOwnGrant) {
  const std::string ready = R"({"event":"ready"})", denied = R"({"event":"denied"})";
  const std::vector<std::string> dictate = {"dictate", "--key", "fn"}, annotate = {"annotate"};
  const std::vector<Case> cases = {
      {dictate, {{"accessibility", false}}, denied, 3},
      {dictate, {{"input_monitoring", false}}, ready, 0},
      {annotate, {{"input_monitoring", false}}, denied, 3},
      {annotate, {{"accessibility", false}}, ready, 0},
      {annotate, {{"accessibility", false}, {"input_monitoring", false}}, denied, 3},
  };
  for (const Case& c : cases) {
    support::Desktop desktop(json{{"permissions", c.permissions}});
    support::RunResult run = support::run(c.args, "", desktop.env());
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.permissions;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), c.first_line) << c.args[0] << " " << c.permissions;
    EXPECT_EQ(run.err, "");
  }
}

// inspect needs no permission at all.
TEST(Permissions, InspectAnswersWithoutAny) {
  support::Desktop desktop(
      json{{"permissions", {{"accessibility", false}, {"input_monitoring", false}}}});
  support::RunResult run = support::run({"inspect"}, R"({"pid":1})" "\n", desktop.env());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(run.out.empty());
}

}  // namespace
