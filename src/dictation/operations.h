// The command operations on the platform (operations.cc): the frontmost
// module's, all run on the main thread.
#pragma once

#include <string_view>

#include "dictation/commands.h"

namespace dictation::platform {

const Operations& platform_operations();
// `handle` with the frontmost module's operations; on the main thread.
void handle(std::string_view line);

}  // namespace dictation::platform
