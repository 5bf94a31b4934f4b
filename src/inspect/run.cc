// The inspect mode's one thread: read the request to its end (or the limit),
// answer, exit. Nothing reaches standard output before the request has been
// read and checked completely.
#include "inspect/run.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "inspect/answer.h"
#include "json/line.h"

namespace inspect {

namespace {

// Reads standard input up to its end or kRequestLimit bytes; false on a
// read error.
bool read_request(std::string& input) {
  input.resize(kRequestLimit);
  size_t used = 0;
  while (used < kRequestLimit) {
    ssize_t n = ::read(STDIN_FILENO, input.data() + used, kRequestLimit - used);
    if (n > 0) {
      used += static_cast<size_t>(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      return false;
    }
  }
  input.resize(used);
  return true;
}

void write_error(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

uint8_t run() {
  std::string input;
  if (!read_request(input)) {
    write_error(kUnreadable);
    return 1;
  }
  Answer result = answer(input);
  if (!result.err.empty()) write_error(result.err);
  if (!result.out.empty()) {
    std::string_view line = result.out;
    line.remove_suffix(1);  // the writer adds the "\n" itself
    json::write_raw_line(line);
  }
  return result.status;
}

}  // namespace inspect
