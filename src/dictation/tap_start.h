// Turning an event tap on, and making sure it is on. Shared by both modes'
// taps (dictate's active one, annotate's listen-only one).
//
// Nothing says whether CGEventTapEnable took: a tap left off delivers no
// event and nothing tells the helper. So every enable is followed by a look
// at the tap, and a tap that is still off is asked again a few times, a few
// milliseconds apart (at most kEnableTries tries, about 6 ms in all: short
// enough for the tap's own thread, which gets no input while the tap is
// off anyway).
#pragma once

#include "platform/cf.h"

namespace dictation::platform {

inline constexpr int kEnableTries = 4;

// Turns `tap` on; true once it is seen on, false when it stays off after
// every try.
bool enable_and_confirm(cf::TypeRef tap);

// Writes the one diagnostic line of a tap that does not run (standard
// error), `why` saying which step failed.
void report_tap_not_running(const char* why);

}  // namespace dictation::platform
