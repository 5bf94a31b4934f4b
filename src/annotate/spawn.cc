#include "annotate/spawn.h"

#include <cstdio>

#include "stream/exit.h"

namespace annotate {

void report_spawn_failure(const char* which, const char* why) {
  (void)std::fprintf(stderr, "failed to spawn thread (%s): %s\n", which, why);
  (void)std::fflush(stderr);
}

void stop_after_spawn_failure() {
  (void)std::fflush(stdout);
  stream::exit_now(dictation::kSpawnFailedStatus);
}

}  // namespace annotate
