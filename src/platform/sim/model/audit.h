// Ownership audit of the simulated desktop: live platform objects per kind,
// and releases of objects that were not alive. Tests compare two snapshots
// around an operation.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sim {

struct Audit {
  std::map<std::string, int64_t> live;  // kind name -> objects alive
  int64_t over_releases = 0;            // releases of dead objects or of null
  int64_t total_live() const {
    int64_t n = 0;
    for (const auto& [kind, count] : live) n += count;
    return n;
  }
};

Audit audit();

}  // namespace sim
