// Which thread is the process's initial one, on Linux: its thread id is the
// process id.
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/sim/drive/run_loop.h"

namespace sim {

bool on_main_thread() { return static_cast<pid_t>(syscall(SYS_gettid)) == getpid(); }

}  // namespace sim
