// Event lines of the dictate mode.
#pragma once

#include <string_view>

#include "json/value.h"

namespace dictation {

// Writes {"event": name} merged with the members of `payload` when it is an
// object (a payload member "event" replaces the name); any other payload is
// dropped. Never fails.
void emit(std::string_view name, const json::Value& payload = json::Value());

}  // namespace dictation
