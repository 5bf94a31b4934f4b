// Caret context: what the insertion point of the focused field looks like.
#pragma once

#include "json/value.h"

namespace frontmost::platform {

// {"focused": false}, or {"focused": true, "text_field", "secure", "before"}.
// Runs on the command thread; never fails.
json::Value caret_context();

}  // namespace frontmost::platform
