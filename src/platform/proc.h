// Process facts (libproc).
#pragma once

#include <cstdint>
#include <optional>

namespace proc {
// The calling process's id (getpid).
int32_t self();

// proc_name: writes up to `size` bytes of the process's name (not
// terminated) and returns their count; 0 or less when it has none.
int name(int32_t pid, char* buffer, uint32_t size);

// When a process started (proc_pidinfo, PROC_PIDTBSDINFO): a process that
// quits and a later one given the same id differ in it.
struct StartTime {
  uint64_t seconds = 0;
  uint64_t microseconds = 0;
  friend bool operator==(const StartTime&, const StartTime&) = default;
};
// None when no process has that id (or it cannot be inspected).
std::optional<StartTime> start_time(int32_t pid);
}  // namespace proc
