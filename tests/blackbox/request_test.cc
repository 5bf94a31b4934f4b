// The inspect mode of the real binary: one request in, one line or one
// message out.
#include <cstdio>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "support/child.h"

namespace {

using support::run;

constexpr const char* kEmptyAnswer =
    "{\"files\":[],\"points\":[],\"processes\":[],\"screen\":null,\"windows\":[]}\n";
constexpr const char* kUnreadable = "inspect: could not read the request\n";
constexpr const char* kNotARequest = "inspect: the request is not one this command reads\n";
constexpr size_t kLimit = 1048576;

struct Expected {
  std::string input;
  int status;
  std::string out;
  std::string err;
};

void check(const Expected& e, const std::string& what) {
  auto r = run({"inspect"}, e.input);
  EXPECT_EQ(r.status, e.status) << what;
  EXPECT_EQ(r.out, e.out) << what;
  EXPECT_EQ(r.err, e.err) << what;
}

// Requests a transcript line cannot hold; the others are in
// tests/transcripts/inspect.txt.
TEST(InspectMode, WhiteSpaceNulAndBytesThatAreNotUtf8) {
  const Expected cases[] = {
      {"{}\n \t\r\n", 0, kEmptyAnswer, ""},
      {"{\"files\":[\"\xFF\"]}", 1, "", kUnreadable},
      {std::string("{}\0", 3), 1, "", kNotARequest},
  };
  for (const auto& e : cases) check(e, e.input);
}

TEST(InspectMode, ReadsOnlyTheFirstMebibyte) {
  // The request and white space fill the limit; what follows is never read,
  // however much of it the host writes.
  std::string input = "{\"points\":[[3,4]]}";
  input += std::string(kLimit - input.size(), '\n');
  check({input + std::string(kLimit, 'x'), 0,
         "{\"files\":[],\"points\":[null],\"processes\":[],\"screen\":null,\"windows\":[]}\n", ""},
        "long tail");

  // The limit cuts the closing bracket off: incomplete JSON.
  std::string cut = "{\"files\":[\"" + std::string(kLimit, 'a') + "\"]}";
  check({cut, 1, "", kNotARequest}, "cut JSON");

  // The limit cuts a two-byte character in half: not UTF-8.
  std::string split = "{\"files\":[\"";
  split += std::string(kLimit - split.size() - 1, 'a') + "\xC3\xA9\"]}";
  check({split, 1, "", kUnreadable}, "cut character");
}

TEST(InspectMode, DeepNestingInAnUnknownMember) {
  const size_t depth = 500000;
  std::string deep = "{\"x\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
  ASSERT_LT(deep.size(), kLimit);
  check({deep, 0, kEmptyAnswer, ""}, "closed");
  check({"{\"x\":" + std::string(depth, '['), 1, "", kNotARequest}, "never closed");
}

TEST(InspectMode, UnreadableStandardInput) {
  // A directory as standard input: every read fails.
  std::string command = "'" + support::binary() + "' inspect < . 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int raw = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_EQ(output, kUnreadable);
}

}  // namespace
