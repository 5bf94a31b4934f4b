// The screen text report: the text before the caret in the focused field and
// the visible text around it in its window, read within 30 ms.
//
// It answers only for the element that the last focus report remembered
// (REPORTED, which it takes), only while that element still has the focus in
// process `pid`, and only when neither secure input nor the field's kind
// forbids reading it. Runs on the command thread.
#pragma once

#include <cstdint>

#include "json/value.h"

namespace frontmost::platform::screen {

// {} when refused; otherwise {"before": up to 150 UTF-16 units before the
// caret or null, "text": the nearby text, "" without a window frame}.
json::Value text(int32_t pid);

}  // namespace frontmost::platform::screen
