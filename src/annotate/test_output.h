// Test helper: this process's standard output sent into a pipe while the
// helper lives, read back as parsed lines. Included by *_test.cc only.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace annotate::testing {

class CapturedOutput {
 public:
  CapturedOutput() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(fds[1], STDOUT_FILENO);
    ::close(fds[1]);
    read_ = fds[0];
    ::fcntl(read_, F_SETFL, O_NONBLOCK);
  }
  ~CapturedOutput() {
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    ::close(read_);
  }
  // Every line written since the last call (lines are flushed whole).
  std::vector<nlohmann::json> lines() {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(read_, chunk, sizeof chunk)) > 0;) text.append(chunk, size_t(n));
    std::vector<nlohmann::json> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(nlohmann::json::parse(line));
    return out;
  }

 private:
  int saved_ = -1, read_ = -1;
};

}  // namespace annotate::testing
