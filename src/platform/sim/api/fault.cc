#include "platform/sim/api/fault.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/sim/model/faults.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

// Framework calls of this thread in progress.
thread_local int DEPTH = 0;

// The call site as an offset into its module: the address of the call
// instruction's last byte, which the module's line table maps to the line
// of the call.
uint64_t site_of(const void* return_address) {
  auto at = reinterpret_cast<uintptr_t>(return_address);
  Dl_info info{};
  if (dladdr(return_address, &info) && info.dli_fbase) {
    at -= reinterpret_cast<uintptr_t>(info.dli_fbase);
  }
  return at - 1;
}

std::string hex(uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
  return text;
}

}  // namespace

Call::Call(std::string_view function,
           std::span<const std::string_view> attributes,
           const void* return_address) {
  if (DEPTH++ > 0) return;
  counted_ = true;
  ensure_loaded();  // the desktop's faults, also for the process's first call
  uint64_t site = site_of(return_address);
  CallVerdict verdict = count_call(function, attributes, site);
  fails_ = verdict.fails;
  error_ = verdict.error;
  if (!fails_ && !verdict.traced) return;
  nlohmann::json line = {{"effect", fails_ ? "fault" : "call"},
                         {"function", function},
                         {"site", hex(site)},
                         {"ordinal", verdict.ordinal},
                         {"site_ordinal", verdict.site_ordinal}};
  if (!attributes.empty()) {
    nlohmann::json names = nlohmann::json::array();
    for (std::string_view a : attributes) names.push_back(a);
    line["attributes"] = std::move(names);
  }
  if (fails_ && function.starts_with("AXUIElement")) line["error"] = error_;
  log_effect(line);
}

Call::~Call() { --DEPTH; }

}  // namespace sim
