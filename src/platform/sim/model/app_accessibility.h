// Accessibility on request: applications that build no accessibility tree
// for their content until an assistive client asks for one (Electron's
// "AXManualAccessibility", Chromium's "AXEnhancedUserInterface"), and the
// elements that exist only once it is on.
//
// An application with "accessibility_on_request" turns its accessibility on
// `delay_ms` after its attribute is set to true on its application element
// (the root of its tree); a set to false turns it off again. A set while it
// is pending starts the delay again, as Chrome waits for the changes to
// settle. Until it is on, an element marked "needs_accessibility" is hidden
// with its subtree: left out of the derived children, never reported as the
// focus, and answering kAXErrorInvalidUIElement when reached anyway. An
// application without the member always has its accessibility on.
//
// Everything here is called with the state's mutex held, and never sleeps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ax.h"
#include "platform/proc.h"
#include "platform/sim/model/desktop.h"

namespace sim {

inline constexpr std::string_view kManualAccessibility = "AXManualAccessibility";
inline constexpr std::string_view kEnhancedUserInterface = "AXEnhancedUserInterface";

// Whether the accessibility of the application of `pid` is on now.
bool accessibility_on(const Desktop& d, int32_t pid);

// Whether the element can be reached now: alive, and neither it nor an
// ancestor is hidden.
bool reachable(const Desktop& d, const Node& node);

// Whether a child of a reachable element is shown among its children.
bool shown(const Desktop& d, const Node& child);

// What the system reports as focused when `focused` has the focus: itself
// when reachable, else its nearest reachable ancestor; null when that is the
// application element itself.
NodePtr reported_focus(const Desktop& d, const NodePtr& focused);

// Reading `name` of `node`: the answer when `node` is the application element
// of an application with accessibility on request and `name` is one of the
// two attributes (its own reads whether it was set to true, the other is
// unsupported); none when the attribute is answered as any other.
struct FlagRead {
  ax::Error error = ax::kSuccess;
  bool value = false;
};
std::optional<FlagRead> read_on_request(const Desktop& d, const Node& node,
                                        std::string_view name);

// A set of `name` to `value` (none: a value that is not a boolean) on the
// element `node` (null: the system-wide element). Only the application's own
// attribute on its application element changes anything; any other set
// answers kAXErrorAttributeUnsupported.
ax::Error set_on_request(Desktop& d, const Node* node, std::string_view name,
                         std::optional<bool> value);

// A new process under the same pid: a new start time, accessibility off.
// "" or the reason it cannot be done.
std::string relaunch(Desktop& d, int32_t pid);

// A launch number that no other process of this helper has had.
uint64_t next_launch();

// The start time of the process `pid`: an application's (by its launch) or
// a named process's (fixed); none for any other pid.
std::optional<proc::StartTime> start_time(const Desktop& d, int32_t pid);

}  // namespace sim
