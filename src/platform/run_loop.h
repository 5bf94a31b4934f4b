// Run loops (Core Foundation) and the main dispatch queue (libdispatch).
//
// Every thread has one run loop. The main thread's run loop also drains the
// main dispatch queue: a serial queue whose items run one at a time, in the
// order posted, never nested inside one another.
#pragma once

#include <cstdint>

#include "platform/cf.h"

namespace cf {

struct RunLoop;                  // opaque; lives as long as its thread
using RunLoopRef = RunLoop*;     // CFRunLoopRef, borrowed

RunLoopRef run_loop_get_current();
Ref mach_port_create_run_loop_source(TypeRef port, int64_t order);
void run_loop_add_source(RunLoopRef loop, TypeRef source);  // default mode
// Takes the source off the loop (default mode); its callbacks stop there.
void run_loop_remove_source(RunLoopRef loop, TypeRef source);
// Serves the current thread's sources (and on the main thread the main
// queue) until run_loop_stop is called for it.
void run_loop_run();
void run_loop_stop(RunLoopRef loop);

enum class RunResult : int32_t { Finished = 1, Stopped = 2, TimedOut = 3, HandledSource = 4 };
// CFRunLoopRunInMode(kCFRunLoopDefaultMode, seconds, return_after_source).
RunResult run_loop_run_in_mode(double seconds, bool return_after_source_handled);

}  // namespace cf

namespace dispatch {
// dispatch_async_f on the main queue: `work(context)` runs later on the main
// thread, inside run_loop_run.
void async_main(void* context, void (*work)(void*));
}  // namespace dispatch
