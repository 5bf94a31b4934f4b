// Starting the service's threads. A thread that cannot be started stops the
// service: the caller reports it with `spawn_failed` and gives up.
#pragma once

#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace dictation {

// Exit status after a thread could not be started: an operating-system
// failure, distinct from the usage (1), argument (2) and denied (3) statuses.
inline constexpr int kSpawnFailedStatus = 71;

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
