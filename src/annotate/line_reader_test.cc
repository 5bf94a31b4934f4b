#include "annotate/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

namespace annotate {
namespace {

using Result = LineReader::Result;

// (Arbitrary bytes in arbitrary pieces: fuzz/annotate_commands_fuzz.cc.)
TEST(LineReader, WaitsOnAnEmptyNonBlockingPipeAndTellsErrorsFromTheEnd) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    (void)!::write(fds[1], "win", 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    (void)!::write(fds[1], "dows\r\nlast\r", 11);
    ::close(fds[1]);
  });
  LineReader reader(fds[0]);
  std::string line;
  EXPECT_EQ(reader.next(line), Result::Line);
  EXPECT_EQ(line, "windows");
  EXPECT_EQ(reader.next(line), Result::Line);
  EXPECT_EQ(line, "last\r");  // no line feed: nothing goes with it
  EXPECT_EQ(reader.next(line), Result::End);
  writer.join();
  ::close(fds[0]);

  int directory = ::open("/", O_RDONLY | O_DIRECTORY);
  LineReader unreadable(directory);
  EXPECT_EQ(unreadable.next(line), Result::Error);
  ::close(directory);
}

}  // namespace
}  // namespace annotate
