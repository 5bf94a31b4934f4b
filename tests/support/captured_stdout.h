// For unit tests: this process's standard output sent into a pipe while a
// CapturedStdout lives, and read back. Not thread-safe against other
// redirections; the pipe holds what a test writes (64 KiB), no more.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace support {

class CapturedStdout {
 public:
  CapturedStdout() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(fds[1], STDOUT_FILENO);
    ::close(fds[1]);
    read_ = fds[0];
    ::fcntl(read_, F_SETFL, O_NONBLOCK);
  }
  ~CapturedStdout() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      ::dup2(saved_, STDOUT_FILENO);
      ::close(saved_);
    }
    if (read_ >= 0) ::close(read_);
  }
  CapturedStdout(const CapturedStdout&) = delete;
  CapturedStdout& operator=(const CapturedStdout&) = delete;

  // Everything written since the last call.
  std::string take() {
    std::fflush(stdout);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(read_, chunk, sizeof chunk)) > 0;) text.append(chunk, size_t(n));
    return text;
  }
  // The same, one parsed value per line.
  std::vector<nlohmann::json> lines() {
    std::vector<nlohmann::json> out;
    std::istringstream in(take());
    for (std::string line; std::getline(in, line);) out.push_back(nlohmann::json::parse(line));
    return out;
  }

 private:
  int saved_ = -1, read_ = -1;
};

}  // namespace support
