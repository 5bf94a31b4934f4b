#include "annotate/spawn.h"

#include <cstdio>
#include <cstdlib>

namespace annotate {

void report_spawn_failure(const char* which, const char* why) {
  (void)std::fprintf(stderr, "failed to spawn thread (%s): %s\n", which, why);
  (void)std::fflush(stderr);
}

void stop_after_spawn_failure() {
  (void)std::fflush(stdout);
  std::_Exit(dictation::kSpawnFailedStatus);
}

}  // namespace annotate
