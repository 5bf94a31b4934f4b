// The document check itself: the protocol document agrees with the
// transcripts as it stands, and stops agreeing when any one line of any of
// its transcripts is changed or dropped.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "transcripts/transcript.h"

namespace {

const std::string kRoot = QCH_SOURCE_DIR;

std::vector<transcript::Session> all_sessions() {
  std::vector<std::string> failures;
  std::vector<transcript::Session> sessions;
  for (const auto& entry : std::filesystem::directory_iterator(kRoot + "/tests/transcripts")) {
    if (entry.path().extension() != ".txt") continue;
    auto parsed = transcript::parse_file(entry.path().string(), failures);
    sessions.insert(sessions.end(), parsed.begin(), parsed.end());
  }
  EXPECT_EQ(failures, std::vector<std::string>{});
  return sessions;
}

std::vector<std::string> document_lines() {
  std::ifstream in(kRoot + "/docs/protocol.md");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The failures of checking `lines` as a document.
std::vector<std::string> check(const std::vector<std::string>& lines,
                               const std::vector<transcript::Session>& sessions) {
  std::string path = testing::TempDir() + "protocol_copy.md";
  {
    std::ofstream out(path);
    for (const std::string& line : lines) out << line << "\n";
  }
  std::vector<std::string> failures;
  transcript::check_document(path, sessions, failures);
  std::remove(path.c_str());
  return failures;
}

bool transcript_line(const std::string& line) {
  return line.rfind("    < ", 0) == 0 || line.rfind("    > ", 0) == 0 ||
         line.rfind("    (", 0) == 0;
}

TEST(DocumentCheck, EveryChangedOrDroppedTranscriptLineIsCaught) {
  auto sessions = all_sessions();
  auto lines = document_lines();
  ASSERT_EQ(check(lines, sessions), std::vector<std::string>{});
  size_t changed = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!transcript_line(lines[i])) continue;
    // One character more at the end; one letter changed inside (digits
    // may be times, which any integer matches).
    std::vector<std::string> variants = {lines[i] + " "};
    std::string edited = lines[i];
    size_t at = edited.find_last_of("abcdefghijklmnopqrstuvwxyz");
    ASSERT_NE(at, std::string::npos);
    edited[at] = 'Q';
    variants.push_back(edited);
    for (const std::string& variant : variants) {
      auto copy = lines;
      copy[i] = variant;
      EXPECT_NE(check(copy, sessions), std::vector<std::string>{}) << "line " << i + 1 << ": "
                                                                   << variant;
    }
    auto dropped = lines;
    dropped.erase(dropped.begin() + static_cast<long>(i));
    if (i > 0 && transcript_line(lines[i - 1])) {  // not the block's first line
      EXPECT_NE(check(dropped, sessions), std::vector<std::string>{}) << "line " << i + 1;
    }
    ++changed;
  }
  EXPECT_GT(changed, 40u);
}

TEST(DocumentCheck, AnIntegerStandsOnlyForAnInteger) {
  using transcript::matches;
  EXPECT_TRUE(matches(R"({"t":{{int}}})", R"({"t":1796864529380})"));
  EXPECT_TRUE(matches(R"({"t":{{int}},"x":1.0})", R"({"t":-5,"x":1.0})"));
  EXPECT_FALSE(matches(R"({"t":{{int}}})", R"({"t":})"));
  EXPECT_FALSE(matches(R"({"t":{{int}}})", R"({"t":1.5})"));
  EXPECT_FALSE(matches(R"({"t":{{int}}})", R"({"t":"1"})"));
  EXPECT_FALSE(matches(R"({"t":{{int}}})", R"({"t":1})" " "));
  EXPECT_FALSE(matches("abc", "ab"));
  EXPECT_TRUE(matches("abc", "abc"));
}

}  // namespace
