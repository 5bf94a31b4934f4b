// Carbon's functions and data symbols as the simulated desktop answers them.
#pragma once

namespace sim {

// The address of Carbon's function or data symbol `name`, or null for a name
// Carbon does not have. Whether the desktop offers it is the caller's check.
void* carbon_symbol(const char* name);

}  // namespace sim
