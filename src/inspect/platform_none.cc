// The inspect platform half of a system without window, process, file or
// screen services: every lookup finds nothing.
#include "inspect/platform.h"

namespace inspect::platform {

std::optional<json::Value> window(uint64_t) { return std::nullopt; }
std::optional<json::Value> process(uint32_t) { return std::nullopt; }
std::optional<json::Value> file(std::string_view) { return std::nullopt; }
std::optional<json::Value> point(Point) { return std::nullopt; }
std::optional<json::Value> screen() { return std::nullopt; }
std::vector<json::Value> other_windows() { return {}; }

}  // namespace inspect::platform
