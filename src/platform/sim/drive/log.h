// The effects log of the simulated desktop: one JSON object per line,
// appended to the file the desktop names. Lines from different threads
// never interleave (one write() per line under a lock). Nothing here ever
// writes to standard output.
#pragma once

#include <string>

namespace sim {

// Points the log at `path` (empty: no log), closing the previous file.
void log_open(const std::string& path);

// A log is open: callers on hot paths skip building lines otherwise.
bool log_active();

}  // namespace sim
