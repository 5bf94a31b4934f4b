// Process names, as the desktop's "processes" gives them, and start times:
// an application's changes when it is relaunched.
#include "platform/proc.h"

#include <algorithm>
#include <cstring>

#include <unistd.h>

#include "platform/sim/api/fault.h"
#include "platform/sim/model/app_accessibility.h"
#include "platform/sim/model/state.h"

namespace proc {

int32_t self() { return static_cast<int32_t>(getpid()); }

int name(int32_t pid, char* buffer, uint32_t size) {
  sim::Call call("proc_name");
  if (call.fails()) return 0;
  return sim::with_desktop([&](const sim::Desktop& d) {
    auto it = d.processes.find(pid);
    if (it == d.processes.end() || !buffer) return 0;
    size_t n = std::min<size_t>(it->second.size(), size);
    std::memcpy(buffer, it->second.data(), n);
    return static_cast<int>(n);
  });
}

std::optional<StartTime> start_time(int32_t pid) {
  sim::Call call("proc_pidinfo");
  if (call.fails()) return std::nullopt;
  return sim::with_desktop([&](const sim::Desktop& d) { return sim::start_time(d, pid); });
}

}  // namespace proc
