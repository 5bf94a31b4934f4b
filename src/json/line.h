// Writing whole lines to standard output.
//
// One process-wide lock is held from the first byte of a line through its
// flush, so lines written by different threads never interleave. Write and
// flush errors (a host that closed its end) are ignored. Callers build the
// value before calling; only serialization and the write happen under the
// lock.
#pragma once

#include <cstdint>
#include <string_view>

#include "json/value.h"

namespace json {

// Serializes `value`, appends "\n", writes and flushes.
void write_line(const Value& value);
// Writes already serialized text plus "\n" under the same lock. True when
// the whole line was written.
bool write_raw_line(std::string_view text);

// Takes the output lock for good: no line is written after this returns
// (a line being written is finished first). For a line that must be the
// process's last, just before the process ends; waits while a write waits
// on standard output.
void stop_output();

// How far line writing has come: writes begun and writes ended (written or
// failed) since the start. A write begun but not ended has the lock and waits
// on standard output. Any thread.
struct Progress {
  uint64_t begun = 0;
  uint64_t ended = 0;
};
Progress progress();

}  // namespace json
