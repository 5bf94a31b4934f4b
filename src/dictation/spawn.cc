#include "dictation/spawn.h"

#include <cstdio>

namespace dictation {

void spawn_failed(const char* which, const char* why) {
  (void)std::fprintf(stderr,
                     "quorvel-computer-helper: failed to spawn thread (%s): %s\n",
                     which, why);
  (void)std::fflush(stderr);
}

}  // namespace dictation
