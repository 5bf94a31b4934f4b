// Entry of the annotate mode.
#pragma once

#include <cstdint>

namespace annotate::platform {
// Runs the mode for the rest of the process. Returns 3 after "denied" when
// the event tap is refused, 0 if the main run loop ever ends. End of input
// ends the process from the reader thread with status 0.
uint8_t run();
}  // namespace annotate::platform
