// The focus report: the frontmost application, its window and the focused
// element, read within 12 ms.
//
// A report that is complete and not secure remembers its focused element in
// REPORTED, the calling thread's one remembered element; the next screen
// text report takes it and reads text only while that element still has the
// focus. Every focus report first drops what REPORTED held; what it holds
// when the thread ends is released then. Both run on the command thread.
#pragma once

#include "json/value.h"
#include "platform/cf.h"

namespace frontmost::platform::screen {

// {"focused": false}, or the whole report: "focused", "complete", "pid",
// "bundle_id", "app", "category", "window_title", "role", "subrole",
// "secure", "labels".
json::Value focus();

// Takes REPORTED of the calling thread (empty afterwards).
cf::Ref take_reported();

}  // namespace frontmost::platform::screen
