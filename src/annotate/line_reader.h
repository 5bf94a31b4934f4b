// Lines from a file descriptor, read with read(2) in chunks.
//
// Each byte is looked at once when searching for line ends, so reading is
// linear in the input whatever the line lengths. A descriptor left in
// non-blocking mode is waited on with poll(2) when it has nothing yet.
#pragma once

#include <cstddef>
#include <string>

namespace annotate {

class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}

  enum class Result { Line, End, Error };
  // The next line, without its "\n" and a "\r" just before it. At end of
  // input a last line without "\n" is still a line; then End. Error when
  // the descriptor cannot be read (a partial line before it is dropped).
  Result next(std::string& line);

 private:
  // Appends what one read(2) gives; false at end of input or on an error
  // (then `failed_`).
  bool fill();

  int fd_;
  std::string buffer_;
  size_t start_ = 0;    // first byte not yet returned
  size_t scanned_ = 0;  // bytes before this hold no "\n" after start_
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace annotate
