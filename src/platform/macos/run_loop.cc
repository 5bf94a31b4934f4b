// Run loops (Core Foundation) and the main dispatch queue (libdispatch).
//
// The main queue is drained by the main thread's run loop whenever it runs,
// in CFRunLoopRun as in CFRunLoopRunInMode; the system never runs a
// main-queue item inside another, so a command that spins the run loop (the
// paste confirmation) does not start the next command.
#include "platform/run_loop.h"

#include <CoreFoundation/CoreFoundation.h>
#include <dispatch/dispatch.h>

#include "platform/macos/bridge.h"

namespace cf {

static_assert(static_cast<int32_t>(RunResult::Finished) == kCFRunLoopRunFinished &&
              static_cast<int32_t>(RunResult::Stopped) == kCFRunLoopRunStopped &&
              static_cast<int32_t>(RunResult::TimedOut) == kCFRunLoopRunTimedOut &&
              static_cast<int32_t>(RunResult::HandledSource) ==
                  kCFRunLoopRunHandledSource);

namespace {
CFRunLoopRef loop_of(RunLoopRef loop) { return reinterpret_cast<CFRunLoopRef>(loop); }
}  // namespace

RunLoopRef run_loop_get_current() {
  return reinterpret_cast<RunLoopRef>(CFRunLoopGetCurrent());
}

Ref mach_port_create_run_loop_source(TypeRef port, int64_t order) {
  if (!macos::is(port, CFMachPortGetTypeID())) return Ref();
  return macos::adopt(CFMachPortCreateRunLoopSource(
      kCFAllocatorDefault, macos::as<CFMachPortRef>(port), order));
}

// The loop retains the source for as long as it holds it.
void run_loop_add_source(RunLoopRef loop, TypeRef source) {
  if (!loop || !source) return;
  CFRunLoopAddSource(loop_of(loop), macos::as<CFRunLoopSourceRef>(source),
                     kCFRunLoopDefaultMode);
}

void run_loop_remove_source(RunLoopRef loop, TypeRef source) {
  if (!loop || !source) return;
  CFRunLoopRemoveSource(loop_of(loop), macos::as<CFRunLoopSourceRef>(source),
                        kCFRunLoopDefaultMode);
}

// Returns at once when the loop has no source and no timer; the main loop
// always has the main queue's port.
void run_loop_run() { CFRunLoopRun(); }

void run_loop_stop(RunLoopRef loop) {
  if (loop) CFRunLoopStop(loop_of(loop));
}

RunResult run_loop_run_in_mode(double seconds, bool return_after_source_handled) {
  return static_cast<RunResult>(
      CFRunLoopRunInMode(kCFRunLoopDefaultMode, seconds, return_after_source_handled));
}

}  // namespace cf

namespace dispatch {

void async_main(void* context, void (*work)(void*)) {
  dispatch_async_f(dispatch_get_main_queue(), context, work);
}

}  // namespace dispatch
