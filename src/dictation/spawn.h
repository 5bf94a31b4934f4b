// Starting the service's threads. A thread that cannot be started stops the
// service: the caller reports it with `spawn_failed` and gives up.
#pragma once

#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "stream/exit_status.h"

namespace dictation {

// Exit status after a thread could not be started.
inline constexpr int kSpawnFailedStatus = stream::exit_status::kSpawnFailed;

// Writes the diagnostic ("... failed to spawn thread ...") to standard error.
void spawn_failed(const char* which, const char* why);

// Writes the diagnostic of a thread `which` that could not start for `why`.
using SpawnReport = void (*)(const char* which, const char* why);

// Starts `work` on a new thread; none (after the diagnostic) when the
// system refuses.
template <typename F>
std::optional<std::thread> spawn(const char* which, F&& work,
                                 SpawnReport report = &spawn_failed) {
  try {
    return std::thread(std::forward<F>(work));
  } catch (const std::system_error& error) {
    report(which, error.what());
    return std::nullopt;
  }
}

}  // namespace dictation
