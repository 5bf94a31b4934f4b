// From a checked request to the response, through a set of lookups.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/request.h"
#include "json/value.h"

namespace inspect {

// The lookups behind a response; `platform_lookups` binds inspect::platform.
struct Lookups {
  std::function<std::optional<json::Value>(uint64_t)> window;
  std::function<std::optional<json::Value>(uint32_t)> process;
  std::function<std::optional<json::Value>(std::string_view)> file;
  std::function<std::optional<json::Value>(Point)> point;
  std::function<std::optional<json::Value>()> screen;
  std::function<std::vector<json::Value>()> other_windows;
};

Lookups platform_lookups();

// The process ids a window entry names: its "pid", then its "hosted_pid",
// each only when it is an integer from 0 to 4,294,967,295.
std::vector<uint32_t> window_pids(const json::Value& entry);

// The entries found, in response order. A request for many points gets as
// many elements; they are kept apart until written so that no large JSON
// array is ever built.
struct Response {
  std::vector<json::Value> files;
  std::vector<std::optional<json::Value>> points;  // one per requested point
  std::vector<json::Value> processes;
  std::optional<json::Value> screen;
  std::vector<json::Value> windows;
};

// Each window number, process id and path is looked up at most once, in
// order of first occurrence; every point is looked up, repeats included.
Response respond(Request request, const Lookups& lookups);

// The response as one compact JSON object (keys "files", "points",
// "processes", "screen", "windows"; missing entries as null) and "\n".
std::string response_line(const Response& response);

}  // namespace inspect
