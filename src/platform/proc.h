// Process facts (libproc).
#pragma once

#include <cstdint>

namespace proc {
// The calling process's id (getpid).
int32_t self();

// proc_name: writes up to `size` bytes of the process's name (not
// terminated) and returns their count; 0 or less when it has none.
int name(int32_t pid, char* buffer, uint32_t size);
}  // namespace proc
