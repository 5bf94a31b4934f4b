#include "annotate/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace annotate {
namespace {

constexpr size_t kChunk = 16384;

// The line from `from` to the "\n" at `end`, without a "\r" just before it.
void take(const std::string& buffer, size_t from, size_t end, std::string& line) {
  if (end > from && buffer[end - 1] == '\r') --end;
  line.assign(buffer, from, end - from);
}

}  // namespace

LineReader::Result LineReader::next(std::string& line) {
  for (;;) {
    if (scanned_ < buffer_.size()) {
      const void* found =
          std::memchr(buffer_.data() + scanned_, '\n', buffer_.size() - scanned_);
      if (found) {
        size_t end = static_cast<size_t>(static_cast<const char*>(found) - buffer_.data());
        take(buffer_, start_, end, line);
        start_ = scanned_ = end + 1;
        return Result::Line;
      }
      scanned_ = buffer_.size();
    }
    if (ended_) {
      // A line cut short by a failed read is not a line.
      if (failed_) return Result::Error;
      if (start_ < buffer_.size()) {
        line.assign(buffer_, start_, buffer_.size() - start_);  // no "\n": all of it
        start_ = scanned_ = buffer_.size();
        return Result::Line;
      }
      return Result::End;
    }
    // Everything before start_ is returned. What stays came with the last
    // read whenever a line ended in it, so this copy is at most one chunk.
    if (start_ > 0) {
      buffer_.erase(0, start_);
      scanned_ -= start_;
      start_ = 0;
    }
    if (!fill()) ended_ = true;
  }
}

bool LineReader::fill() {
  char chunk[kChunk];
  for (;;) {
    ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      buffer_.append(chunk, static_cast<size_t>(n));
      return true;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd readable{fd_, POLLIN, 0};
      if (::poll(&readable, 1, -1) >= 0 || errno == EINTR) continue;
    }
    failed_ = true;
    return false;
  }
}

}  // namespace annotate
