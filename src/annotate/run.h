// Entry of the annotate mode.
#pragma once

#include <cstdint>

namespace annotate::platform {
uint8_t run();
}  // namespace annotate::platform
