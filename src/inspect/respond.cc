#include "inspect/respond.h"

#include <limits>

#include "inspect/files.h"
#include "inspect/platform.h"
#include "inspect/unique.h"

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

json::Value respond(const Request& request, const Lookups& lookups) {
  std::vector<json::Value> windows;
  for (uint64_t number : unique(request.windows))
    if (auto entry = lookups.window(number)) windows.push_back(std::move(*entry));

  std::vector<uint32_t> pids = request.pids;
  add_window_pids(windows, pids);
  add_window_pids(lookups.other_windows(), pids);
  auto processes = json::Value::array();
  for (uint32_t pid : unique(pids))
    if (auto entry = lookups.process(pid)) processes.push_back(std::move(*entry));

  auto files = json::Value::array();
  for (const std::string& path : files_to_look_up(request.files))
    if (auto entry = lookups.file(path)) files.push_back(std::move(*entry));

  auto points = json::Value::array();
  points.get_ref<json::Value::array_t&>().reserve(request.points.size());
  for (Point p : request.points) {
    auto entry = lookups.point(p);
    points.push_back(entry ? std::move(*entry) : json::Value());
  }

  std::optional<json::Value> screen;
  if (request.screen) screen = lookups.screen();

  json::Value response = json::Value::object();
  response["files"] = std::move(files);
  response["points"] = std::move(points);
  response["processes"] = std::move(processes);
  response["screen"] = screen ? std::move(*screen) : json::Value();
  response["windows"] = json::Value(std::move(windows));
  return response;
}

}  // namespace inspect
