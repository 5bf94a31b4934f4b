// The self-check of a real Mac: every service of the platform adapter called
// once against the system, none of them needing a permission. Built only on
// Apple without the simulated desktop; scripts/macos-selfcheck runs it.
#pragma once

#include <string>
#include <vector>

namespace selfcheck {

struct Outcome {
  std::string name;
  bool passed = false;
  std::string detail;  // what was seen, for the line printed
};

// Runs every check on the calling thread, which must be the main thread
// (the main queue is served by running its run loop).
std::vector<Outcome> run_all();

}  // namespace selfcheck
