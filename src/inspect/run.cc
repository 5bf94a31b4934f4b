// The inspect mode's one thread: read the request to its end (or the limit),
// answer, exit. Nothing reaches standard output before the request has been
// read and checked completely.
#include "inspect/run.h"

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "inspect/answer.h"
#include "json/line.h"
#include "stream/exit_status.h"
#include "stream/stream.h"

namespace inspect {

namespace {

// Reads standard input up to its end or kRequestLimit bytes into `buffer`
// (kRequestLimit bytes, left uninitialised so that only the pages a request
// fills are ever touched); false on a read error.
bool read_request(char* buffer, size_t& used) {
  used = 0;
  while (used < kRequestLimit) {
    long n = stream::read_some(STDIN_FILENO, buffer + used, kRequestLimit - used);
    if (n < 0) return false;
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  return true;
}

void write_error(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

uint8_t run() {
  std::unique_ptr<char[]> buffer(new char[kRequestLimit]);
  size_t used = 0;
  if (!read_request(buffer.get(), used)) {
    write_error(kUnreadable);
    return stream::exit_status::kUsage;
  }
  Answer result = answer(std::string_view(buffer.get(), used));
  if (!result.err.empty()) write_error(result.err);
  if (!result.out.empty()) {
    std::string_view line = result.out;
    line.remove_suffix(1);  // the writer adds the "\n" itself
    // The response is the mode's whole work: a line that could not be
    // written whole (a full disk, a reader that went away) fails the run,
    // silently, since standard error carries only the two messages.
    if (!json::write_raw_line(line)) return stream::exit_status::kUnwritten;
  }
  return result.status;
}

}  // namespace inspect
