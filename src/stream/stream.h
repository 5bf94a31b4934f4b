// The process's standard streams at the level of file descriptors.
//
// A stream handed to us may be in non-blocking mode: "try again" is then
// neither end of input nor a failed write, so every operation here waits for
// the descriptor to become ready (poll) instead. No busy waiting. Safe on
// any thread; one reader per descriptor.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace stream {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file opened later becomes a standard stream. Call first in main.
void reserve_standard_descriptors();

// read(2) that retries on EINTR and waits on EAGAIN: the byte count, 0 at
// end of input, -1 on an error.
long read_some(int fd, char* buffer, size_t size);

// Writes all of `bytes`, retrying on EINTR and waiting on EAGAIN. False on
// an error (closed pipe, full disk); what was written stays written.
bool write_all(int fd, std::string_view bytes);

// Splits a descriptor's bytes into lines. A line ends at "\n", and a "\r"
// just before it goes too; a last line without a terminator still counts at
// end of input, but not when a read error cut it short.
// Each byte is looked at a bounded number of times, however long the line.
class LineReader {
 public:
  // `chunk`: bytes asked of each read.
  explicit LineReader(int fd, size_t chunk = 64 * 1024) : fd_(fd), chunk_(chunk ? chunk : 1) {}

  // The next line; none at end of input or after a read error.
  std::optional<std::string> next();
  // True once a read failed (rather than reaching end of input).
  bool failed() const { return failed_; }

 private:
  std::optional<std::string> take(size_t end, size_t skip);

  int fd_;
  size_t chunk_;
  std::string buffer_;
  size_t start_ = 0;    // first byte not yet returned
  size_t scanned_ = 0;  // bytes before this hold no "\n" after start_
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace stream
