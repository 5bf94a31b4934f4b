// Entry of the inspect mode: one request on standard input, one response on
// standard output.
#pragma once

#include <cstdint>

namespace inspect {

// The status when the response could not be written whole (EX_IOERR).
inline constexpr uint8_t kUnwritten = 74;

// 0 answered, 1 refused (a message on standard error), kUnwritten.
uint8_t run();

}  // namespace inspect
