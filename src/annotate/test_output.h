// Test helper: standard output of this process sent into a pipe while the
// helper lives, and read back line by line. Included by *_test.cc only.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace annotate::testing {

class CapturedOutput {
 public:
  CapturedOutput() {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(fds[1], STDOUT_FILENO);
    ::close(fds[1]);
    read_ = fds[0];
    ::fcntl(read_, F_SETFL, ::fcntl(read_, F_GETFL) | O_NONBLOCK);
  }
  ~CapturedOutput() {
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    ::close(read_);
  }
  // The lines written since the last call, parsed.
  std::vector<nlohmann::json> lines() {
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(read_, chunk, sizeof chunk)) > 0) text_.append(chunk, static_cast<size_t>(n));
    std::vector<nlohmann::json> out;
    size_t start = 0;
    for (size_t nl; (nl = text_.find('\n', start)) != std::string::npos; start = nl + 1)
      out.push_back(nlohmann::json::parse(text_.substr(start, nl - start)));
    text_.erase(0, start);
    return out;
  }

 private:
  int saved_ = -1, read_ = -1;
  std::string text_;
};

}  // namespace annotate::testing
