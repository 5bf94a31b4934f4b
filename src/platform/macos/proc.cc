// Process facts (libproc, part of libSystem).
#include "platform/proc.h"

#include <libproc.h>
#include <sys/param.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <cstring>

namespace proc {

int32_t self() { return static_cast<int32_t>(getpid()); }

// proc_name refuses (answers 0) a buffer shorter than a whole name field,
// 2 * MAXCOMLEN bytes, copies the whole field and then counts up to the
// first zero byte; a name that fills the field has none. Its buffer here is
// therefore larger and zeroed, and only what fits the caller's is copied.
// A process that has gone, or that the caller may not inspect, has no name.
int name(int32_t pid, char* buffer, uint32_t size) {
  if (!buffer || size == 0 || pid <= 0) return 0;
  char field[4 * MAXCOMLEN] = {};
  int length = proc_name(pid, field, sizeof field);
  if (length <= 0) return 0;
  size_t n = std::min<size_t>({static_cast<size_t>(length), 2 * MAXCOMLEN, size});
  std::memcpy(buffer, field, n);
  return static_cast<int>(n);
}

// PROC_PIDTBSDINFO answers for the processes of the same user (those a
// user dictates into); it fills the whole record or fails, with ESRCH for a
// process that does not exist.
std::optional<StartTime> start_time(int32_t pid) {
  if (pid <= 0) return std::nullopt;
  struct proc_bsdinfo info {};
  constexpr int kSize = static_cast<int>(sizeof info);
  if (proc_pidinfo(pid, PROC_PIDTBSDINFO, 0, &info, kSize) != kSize) return std::nullopt;
  return StartTime{info.pbi_start_tvsec, info.pbi_start_tvusec};
}

}  // namespace proc
