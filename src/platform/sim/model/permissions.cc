// The permissions of the current desktop, read by both sides: accessibility
// requests and posting check Accessibility, tap creation checks both.
#include "platform/sim/model/state.h"

namespace sim {

bool accessibility_granted() {
  return with_desktop([](const Desktop& d) { return d.permissions.accessibility; });
}

bool input_monitoring_granted() {
  return with_desktop([](const Desktop& d) { return d.permissions.input_monitoring; });
}

void set_permissions(std::optional<bool> accessibility,
                     std::optional<bool> input_monitoring) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  if (accessibility) s.desktop->permissions.accessibility = *accessibility;
  if (input_monitoring) s.desktop->permissions.input_monitoring = *input_monitoring;
}

}  // namespace sim
