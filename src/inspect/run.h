// Entry of the inspect mode: one request on standard input, one response on
// standard output.
#pragma once

#include <cstdint>

namespace inspect {
uint8_t run();
}  // namespace inspect
