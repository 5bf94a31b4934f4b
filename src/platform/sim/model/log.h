// The effects log of the simulated desktop: one JSON object per line,
// appended to the file the desktop names. Lines from different threads
// never interleave (one write() per line under a lock). Nothing here ever
// writes to standard output.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// Points the log at `path` (empty: no log), closing the previous file.
void log_open(const std::string& path);

// A log is open: callers on hot paths skip building lines otherwise.
bool log_active();

// Appends `line` when a log is open. The event side opens the log when it
// starts for a desktop (log_effect in sim.h starts it first).
void log_write(const nlohmann::json& line);

}  // namespace sim
