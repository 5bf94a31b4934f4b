#include "inspect/respond.h"

#include <limits>
#include <type_traits>
#include <utility>

#include "inspect/files.h"
#include "inspect/platform.h"
#include "inspect/unique.h"
#include "json/write.h"

namespace inspect {

namespace {

// Window entries are built by code, not parsed, so a non-negative pid may be
// stored as either integer kind.
std::optional<uint32_t> pid_member(const json::Value& entry, const char* name) {
  auto it = entry.find(name);
  if (it == entry.end()) return std::nullopt;
  constexpr uint64_t max = std::numeric_limits<uint32_t>::max();
  if (it->is_number_unsigned()) {
    auto n = it->get<uint64_t>();
    if (n <= max) return static_cast<uint32_t>(n);
  } else if (it->is_number_integer()) {
    auto n = it->get<int64_t>();
    if (n >= 0 && static_cast<uint64_t>(n) <= max) return static_cast<uint32_t>(n);
  }
  return std::nullopt;
}

void add_window_pids(const std::vector<json::Value>& entries, std::vector<uint32_t>& pids) {
  for (const auto& entry : entries)
    for (uint32_t pid : window_pids(entry)) pids.push_back(pid);
}

}  // namespace

Lookups platform_lookups() {
  return Lookups{platform::window, platform::process, platform::file,
                 platform::point,  platform::screen,  platform::other_windows};
}

std::vector<uint32_t> window_pids(const json::Value& entry) {
  std::vector<uint32_t> pids;
  if (!entry.is_object()) return pids;
  auto pid = pid_member(entry, "pid");
  auto hosted = pid_member(entry, "hosted_pid");
  if (pid) pids.push_back(*pid);
  if (hosted && hosted != pid) pids.push_back(*hosted);
  return pids;
}

Response respond(Request request, const Lookups& lookups) {
  Response response;
  for (uint64_t number : unique(std::move(request.windows)))
    if (auto entry = lookups.window(number)) response.windows.push_back(std::move(*entry));

  std::vector<uint32_t> pids = std::move(request.pids);
  add_window_pids(response.windows, pids);
  add_window_pids(lookups.other_windows(), pids);
  for (uint32_t pid : unique(std::move(pids)))
    if (auto entry = lookups.process(pid)) response.processes.push_back(std::move(*entry));

  for (std::string_view path : files_to_look_up(request.files))
    if (auto entry = lookups.file(path)) response.files.push_back(std::move(*entry));

  response.points.reserve(request.points.size());
  for (Point p : request.points) response.points.push_back(lookups.point(p));

  if (request.screen) response.screen = lookups.screen();
  return response;
}

std::string response_line(const Response& response) {
  std::string out;
  auto entry = [&out](const auto& value) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, json::Value>) {
      json::serialize_to(value, out);
    } else if (value) {
      json::serialize_to(*value, out);
    } else {
      out += "null";
    }
  };
  auto list = [&](const char* key, const auto& values) {
    out += key;
    out += '[';
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) out += ',';
      entry(values[i]);
    }
    out += ']';
  };
  list("{\"files\":", response.files);
  list(",\"points\":", response.points);
  list(",\"processes\":", response.processes);
  out += ",\"screen\":";
  entry(response.screen);
  list(",\"windows\":", response.windows);
  out += "}\n";
  return out;
}

}  // namespace inspect
