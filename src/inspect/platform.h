// What the inspect mode asks of the platform. Each lookup answers with an
// entry for the response, or nothing when it finds nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "inspect/request.h"
#include "json/value.h"

namespace inspect::platform {

std::optional<json::Value> window(uint64_t number);
std::optional<json::Value> process(uint32_t pid);
std::optional<json::Value> file(std::string_view path);
std::optional<json::Value> point(Point point);
// The screen listing; asked only when the request's "screen" is true.
std::optional<json::Value> screen();
// Window entries beyond those the request names whose processes are also
// reported.
std::vector<json::Value> other_windows();

}  // namespace inspect::platform
