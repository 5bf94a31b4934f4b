#include "annotate/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace annotate {
namespace {

using Result = LineReader::Result;

std::vector<std::string> read_all(int fd, Result* last = nullptr) {
  LineReader reader(fd);
  std::vector<std::string> lines;
  std::string line;
  Result r;
  while ((r = reader.next(line)) == Result::Line) lines.push_back(line);
  if (last) *last = r;
  return lines;
}

// The lines of `text` as the reader is meant to give them.
std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    size_t end = nl > start && text[nl - 1] == '\r' ? nl - 1 : nl;
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Random lines (empty, short, longer than a chunk, with stray "\r"; "\r\n"
// or "\n"; the last one sometimes unterminated) written in random pieces,
// with pauses, through a non-blocking pipe: the same lines come back.
TEST(LineReader, GivesBackTheLinesWrittenWhateverThePieces) {
  std::mt19937 random(3);
  for (int round = 0; round < 40; ++round) {
    std::string text;
    int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) {
      size_t length = random() % 4 == 0 ? random() % 40000 : random() % 20;
      for (size_t k = 0; k < length; ++k)
        text.push_back(random() % 50 == 0 ? '\r' : static_cast<char>('a' + random() % 26));
      if (i + 1 < count || random() % 2 == 0) text += random() % 2 ? "\r\n" : "\n";
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    std::thread writer([&, seed = random()] {
      std::mt19937 pieces(seed);
      size_t done = 0;
      while (done < text.size()) {
        size_t n = std::min(text.size() - done, static_cast<size_t>(1 + pieces() % 9000));
        ssize_t w = ::write(fds[1], text.data() + done, n);
        if (w > 0) done += static_cast<size_t>(w);
        if (pieces() % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      ::close(fds[1]);
    });
    Result last;
    std::vector<std::string> got = read_all(fds[0], &last);
    writer.join();
    ::close(fds[0]);
    EXPECT_EQ(got, split(text)) << "round " << round;
    EXPECT_EQ(last, Result::End);
  }
}

TEST(LineReader, ReadErrorIsNotEndOfInput) {
  int directory = ::open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  Result last;
  EXPECT_TRUE(read_all(directory, &last).empty());
  EXPECT_EQ(last, Result::Error);
  ::close(directory);
}

}  // namespace
}  // namespace annotate
