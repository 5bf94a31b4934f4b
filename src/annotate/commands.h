// The annotate mode's command reader: one thread reads standard input line
// by line, answers "windows" with the on-screen window list and ends the
// process (status 0) at the end of input, at a read error or at a line that
// is not UTF-8, once its replies are written (or standard output is found
// stuck, dictation/ending.h). A second thread writes the replies, in order,
// so that a full standard output never keeps the reader from the end of
// input. Both take only the standard-output lock, never LAST_POINTER.
#pragma once

#include <string_view>

#include "json/value.h"

namespace annotate::platform {

// The answer to one command line, or null when the line is not a command:
// surrounding white space is ignored, the word is exact and case-sensitive.
// The line must be valid UTF-8.
json::Value answer(std::string_view line);

// Starts the reader and writer threads (detached) and returns at once. A thread that
// cannot be started ends the process.
void read_commands();

}  // namespace annotate::platform
