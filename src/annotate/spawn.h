// Starting the annotate mode's threads. A thread that cannot be started
// stops the process at once: a line on standard error that begins "failed
// to spawn thread", and dictation::kSpawnFailedStatus.
#pragma once

#include <optional>
#include <thread>
#include <utility>

#include "dictation/spawn.h"

namespace annotate {

// Writes "failed to spawn thread (<which>): <why>" to standard error.
void report_spawn_failure(const char* which, const char* why);

[[noreturn]] void stop_after_spawn_failure();

// Starts `work` on a thread that is never joined.
template <typename F>
void spawn_detached(const char* which, F&& work) {
  std::optional<std::thread> thread =
      dictation::spawn(which, std::forward<F>(work), &report_spawn_failure);
  if (!thread) stop_after_spawn_failure();
  thread->detach();
}

}  // namespace annotate
