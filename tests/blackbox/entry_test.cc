// The command line: mode dispatch and the two usage texts.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"

namespace {

const std::string kUsage =
    "usage: quorvel-computer-helper dictate --key <key> | annotate | inspect\n";
const std::string kDictateUsage =
    "usage: quorvel-computer-helper dictate --key "
    "fn_or_control_option|fn|right_option|right_command|right_control|"
    "control_windows|right_alt\n";

TEST(Entry, UsageTextsAreExactAndStatusIsOne) {
  EXPECT_EQ(kUsage.size(), 72u);
  EXPECT_EQ(kDictateUsage.size(), 136u);
  const std::vector<std::vector<std::string>> main_usage = {
      {},
      {"Inspect"},
      {"INSPECT"},
      {"Dictate", "--key", "fn"},
      {"inspect", "extra"},
      {"inspect", ""},
      {"annotate", "--verbose"},
      {"help"},
  };
  for (const auto& args : main_usage) {
    support::RunResult r = support::run(args, "{}");
    EXPECT_EQ(r.status, 1) << testing::PrintToString(args);
    EXPECT_EQ(r.err, kUsage) << testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
  }
  const std::vector<std::vector<std::string>> dictate_usage = {
      {"dictate"},
      {"dictate", "--key"},
      {"dictate", "fn"},
      {"dictate", "--key", "fn", "extra"},
      {"dictate", "--key", "FN"},
      {"dictate", "--key=fn"},
      {"dictate", "--key", "control_option"},
  };
  for (const auto& args : dictate_usage) {
    support::RunResult r = support::run(args, "");
    EXPECT_EQ(r.status, 1) << testing::PrintToString(args);
    EXPECT_EQ(r.err, kDictateUsage) << testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
  }
}

TEST(Entry, ArgumentThatIsNotUtf8StopsBeforeAnyMode) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"inspect\xff"}, {"dictate", "--key", "fn\xc3"},
        {"\xed\xa0\x80"}}) {
    support::RunResult r = support::run(args, "{}");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
    EXPECT_EQ(r.err.find("usage:"), std::string::npos);
  }
}

TEST(Entry, InspectAnswersThroughTheEntry) {
  support::RunResult r = support::run({"inspect"}, "{}");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"files\":[],\"points\":[],\"processes\":[],\"screen\":null,\"windows\":[]}\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
