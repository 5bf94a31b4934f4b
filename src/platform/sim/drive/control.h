// Actions from outside the process: the control FIFO and the desktop's
// script. Both apply actions through apply_action (sim.h) and log what they
// cannot apply as "rejected" effects. Their threads are detached and stop
// once the desktop they were started for is replaced (tests).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim.h"

namespace sim {

// Reads JSON lines from the FIFO at `path`, reopening it whenever the
// writer closes it, so that writers may come and go.
void start_control_thread(const std::string& path, uint64_t generation);

// Applies each item at its time after now (items sorted by time).
void start_script_thread(std::vector<ScriptItem> items, uint64_t generation);

// Applies one control line; blank lines are skipped.
void apply_control_line(std::string_view line);

}  // namespace sim
