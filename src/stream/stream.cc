#include "stream/stream.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace stream {
namespace {

constexpr size_t kChunk = 64 * 1024;

// Waits until `fd` is ready for `events` (or has hung up). False when
// waiting itself fails.
bool wait_ready(int fd, short events) {
  pollfd p{fd, events, 0};
  for (;;) {
    int r = ::poll(&p, 1, -1);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
}

bool try_again(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

void reserve_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is `fd` itself: those below are open.
    int opened = ::open("/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
}

long read_some(int fd, char* buffer, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (!try_again(errno) || !wait_ready(fd, POLLIN)) return -1;
  }
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && try_again(errno)) {
      if (!wait_ready(fd, POLLOUT)) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::optional<std::string> LineReader::take(size_t end, size_t skip) {
  size_t length = end - start_;
  if (skip == 1 && length > 0 && buffer_[end - 1] == '\r') --length;
  std::string line = buffer_.substr(start_, length);
  start_ = scanned_ = end + skip;
  // Drop what was returned once it is most of the buffer: amortised linear.
  if (start_ >= kChunk && start_ * 2 >= buffer_.size()) {
    buffer_.erase(0, start_);
    scanned_ -= start_;
    start_ = 0;
  }
  return line;
}

std::optional<std::string> LineReader::next() {
  for (;;) {
    size_t newline = buffer_.find('\n', scanned_);
    if (newline != std::string::npos) return take(newline, 1);
    scanned_ = buffer_.size();
    if (ended_) {
      if (failed_ || start_ == buffer_.size()) return std::nullopt;
      return take(buffer_.size(), 0);
    }
    size_t old = buffer_.size();
    buffer_.resize(old + chunk_);
    long n = read_some(fd_, buffer_.data() + old, chunk_);
    buffer_.resize(old + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n <= 0) {
      ended_ = true;
      failed_ = n < 0;
    }
  }
}

}  // namespace stream
