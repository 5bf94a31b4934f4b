// Which thread is the process's initial one, on Apple systems (a simulated
// desktop built on a Mac for the tests).
#include <pthread.h>

#include "platform/sim/drive/run_loop.h"

namespace sim {

bool on_main_thread() { return pthread_main_np() != 0; }

}  // namespace sim
