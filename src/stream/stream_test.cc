// Line reading over real descriptors: a non-blocking pipe that is empty for
// a while, pieces that split lines, and a descriptor that cannot be read.
// (Arbitrary bytes in arbitrary pieces: fuzz/line_reader_fuzz.cc.)
#include "stream/stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace stream {
namespace {

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
  EXPECT_EQ(reader.next().value_or("?"), "windows");
  EXPECT_EQ(reader.next().value_or("?"), "last\r");  // no line feed: nothing goes with it
  EXPECT_FALSE(reader.next());
  EXPECT_FALSE(reader.failed());
  writer.join();
  ::close(fds[0]);

  int directory = ::open("/", O_RDONLY | O_DIRECTORY);
  LineReader unreadable(directory);
  EXPECT_FALSE(unreadable.next());
  EXPECT_TRUE(unreadable.failed());
  ::close(directory);
}

}  // namespace
}  // namespace stream
