// Turning on an application's accessibility on the host's request.
//
// Chromium-based applications build no accessibility tree for their content
// until an assistive client asks: Electron applications when
// "AXManualAccessibility" is set to true on their application element,
// Chromium browsers (and Electron) when "AXEnhancedUserInterface" is. The
// tree appears some time later and stays until the application quits.
// Setting either back to false would turn accessibility off for every
// assistive client of the application, screen readers included, so this
// module only ever sets true.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/ax.h"

namespace frontmost::platform {

enum class AccessibilityResult {
  Enabled,      // set now, and the application accepted it
  Already,      // set before for this same process, or it reads true
  Unconfirmed,  // answered kAXErrorAttributeUnsupported: look again later
  NoApp,        // no running application with that pid
  Failed,       // anything else: no permission, no answer in time, ...
};

// "enabled", "already", "unconfirmed", "no_app", "failed".
std::string_view result_word(AccessibilityResult result);

// What the application's answers mean. `read` is the answer to reading the
// attribute (`reads_true`: it gave a true value): the result it decides, or
// none when the attribute is to be set. `set` is the answer to that set.
std::optional<AccessibilityResult> after_read(ax::Error read, bool reads_true);
AccessibilityResult after_set(ax::Error set);

// Sets "AXEnhancedUserInterface" (`enhanced`) or "AXManualAccessibility" to
// true on the application element of `pid` (> 0), with the process-wide
// messaging timeout, unless this thread set it for the same process before
// (a process is its pid and its start time) or it already reads true. Runs on
// the command thread, where it keeps what it set (ENABLED, at most 256
// processes, the oldest forgotten first); blocks it for at most two
// messaging timeouts.
AccessibilityResult app_accessibility(int32_t pid, bool enhanced);

}  // namespace frontmost::platform
