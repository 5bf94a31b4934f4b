// Ending the process at once, from any thread.
#pragma once

#include <cstdint>

namespace stream {

// Ends the process with `status` now: no destructors and no exit handlers
// run, and other threads stop where they are (every line the helper writes
// is flushed when written). Where the build has the leak checker, it first
// checks for leaks as a normal exit would; a leak ends the process with the
// checker's report and the checker's status instead of `status`.
[[noreturn]] void exit_now(uint8_t status);

}  // namespace stream
