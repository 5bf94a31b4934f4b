#include "dictation/reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "dictation/commands.h"
#include "dictation/spawn.h"
#include "platform/run_loop.h"
#include "unicode/utf8.h"

namespace dictation {

std::optional<std::string> take_line(std::string& buffer) {
  size_t end = buffer.find('\n');
  if (end == std::string::npos) return std::nullopt;
  size_t length = end > 0 && buffer[end - 1] == '\r' ? end - 1 : end;
  std::string line = buffer.substr(0, length);
  buffer.erase(0, end + 1);
  return line;
}

namespace platform {
namespace {

void post(std::unique_ptr<std::string> line) {
  dispatch::async_main(line.release(), &run_command);
}

// Posts every line of standard input in order, then the end marker. Stops
// at end of input, at a read error, or before a line that is not UTF-8.
void reader() {
  std::string buffer;
  char chunk[4096];
  bool more = true;
  while (more) {
    ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      more = false;
      // The last line may lack its terminator; it still counts.
      if (!buffer.empty()) buffer.push_back('\n');
    } else {
      buffer.append(chunk, static_cast<size_t>(n));
    }
    while (std::optional<std::string> line = take_line(buffer)) {
      if (!unicode::valid_utf8(*line)) {
        more = false;
        break;
      }
      post(std::make_unique<std::string>(std::move(*line)));
    }
  }
  post(nullptr);
}

}  // namespace

bool read_commands() {
  std::optional<std::thread> reading = spawn("reader", &reader);
  if (!reading) return false;
  reading->detach();
  return true;
}

void run_command(void* context) {
  std::unique_ptr<std::string> line(static_cast<std::string*>(context));
  if (!line) {
    // Every line posted before the marker has had its reply. Threads still
    // running are not torn down: the process just ends.
    (void)std::fflush(stdout);
    std::_Exit(0);
  }
  handle(*line);
}

}  // namespace platform
}  // namespace dictation
