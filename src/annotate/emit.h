// Event lines of the annotate mode.
#pragma once

#include "json/value.h"

namespace annotate {

// Writes a value the caller prepared (an object with its "event") as one line.
void emit(const json::Value& value);

}  // namespace annotate
