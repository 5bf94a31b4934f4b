// What the end-to-end driver asks of the system, through the platform layer:
// the permissions this process holds, the focused element and the key
// presses it posts. Main thread only (events are made where the text input
// manager allows it).
#pragma once

#include <span>

#include "e2e/steps.h"
#include "json/value.h"

namespace e2e {

// {"accessibility":bool,"ax_error":int,"input_monitoring":bool|null}:
// Accessibility from the answer to one accessibility request (kAPIDisabled
// means not granted; nothing is asked of the user), Input Monitoring from
// CGPreflightListenEventAccess (null when it cannot be looked up).
json::Value permissions();

// The element with keyboard focus: {"focused":false}, or {"focused":true,
// "pid", "app", "bundle_id", "role", "value"} with null for what cannot be
// read. "value" is the element's whole AXValue as text.
json::Value focus();

// Posts each key event at the HID level, in order, pausing where asked.
// False when an event could not be made (nothing more is posted).
bool post(std::span<const Step> steps);

}  // namespace e2e
