// The command channel of the dictate mode: a reader thread hands every line
// of standard input to the main thread through the main dispatch queue,
// where each runs as one command; end of input ends the process.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dictation {

namespace platform {

// Starts the reader thread (never joined) and returns at once. False when the
// thread cannot be started (the diagnostic is already written).
bool read_commands();

// One item of the main dispatch queue: a line (owned, a heap `std::string`)
// or, when `context` is null, the end marker, which flushes standard output
// and ends the process with status 0.
void run_command(void* context);

}  // namespace platform
}  // namespace dictation
