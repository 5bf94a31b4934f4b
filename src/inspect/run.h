// Entry of the inspect mode: one request on standard input, one response on
// standard output.
#pragma once

#include <cstdint>

namespace inspect {

// 0 answered, 1 refused (a message on standard error), or
// stream::exit_status::kUnwritten.
uint8_t run();

}  // namespace inspect
