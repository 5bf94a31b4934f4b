#include "dictation/reader.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "dictation/ending.h"
#include "dictation/operations.h"
#include "dictation/service.h"
#include "dictation/spawn.h"
#include "platform/run_loop.h"
#include "stream/exit.h"
#include "stream/exit_status.h"
#include "stream/stream.h"
#include "unicode/utf8.h"

namespace dictation {

namespace platform {
namespace {

void post(std::unique_ptr<std::string> line) {
  dispatch::async_main(line.release(), &run_command);
}

// Posts every line of standard input in order, then the end marker. Stops
// at end of input, at a read error, or before a line that is not UTF-8.
[[noreturn]] void reader() {
  stream::LineReader input(STDIN_FILENO);
  while (std::optional<std::string> line = input.next()) {
    if (!unicode::valid_utf8(*line)) break;
    post(std::make_unique<std::string>(std::move(*line)));
  }
  post(nullptr);
  // The main thread ends the process after the last reply; this thread sees
  // that it does even when standard output blocks it.
  end_of_input(&never_settled);
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
    // Every line posted before the marker has had its reply; key events
    // queued by now are written too, unless standard output stays blocked.
    // Threads still running are not torn down: the process just ends.
    finish_key_events();
    stream::exit_now(stream::exit_status::kOk);
  }
  handle(*line);
}

}  // namespace platform
}  // namespace dictation
