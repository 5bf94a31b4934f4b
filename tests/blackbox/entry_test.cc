// The command line: an argument that is not UTF-8. The usage texts and the
// mode dispatch are in tests/transcripts/usage.txt.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"

namespace {

TEST(Entry, ArgumentThatIsNotUtf8StopsBeforeAnyMode) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"inspect\xff"}, {"dictate", "--key", "fn\xc3"},
        {"\xed\xa0\x80"}}) {
    support::RunResult r = support::run(args, "{}");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quorvel-computer-helper: an argument is not valid UTF-8\n");
  }
}

}  // namespace
