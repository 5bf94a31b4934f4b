// Accessibility on request: which elements can be reached, what the two
// attributes answer, and the process behind an application.
#include "platform/sim/model/app_accessibility.h"

#include <atomic>
#include <chrono>

#include "platform/clock.h"
#include "platform/sim/model/clock_shift.h"

namespace sim {
namespace {

// Start times of the simulated processes, in seconds since 1970: named
// processes started before every application.
constexpr uint64_t kProcessesStarted = 1'600'000'000;
constexpr uint64_t kApplicationsStarted = 1'700'000'000;

std::atomic<uint64_t> NEXT_LAUNCH{1};

Application* application_of(Desktop& d, int32_t pid) {
  for (auto& app : d.applications) {
    if (app.pid == pid) return &app;
  }
  return nullptr;
}

// Whether `node` is the application element of `app`, which has
// accessibility on request.
bool requests(const Application* app, const Node& node) {
  return app && app->on_request && app->ui.get() == &node;
}

bool is_on_request_attribute(std::string_view name) {
  return name == kManualAccessibility || name == kEnhancedUserInterface;
}

}  // namespace

bool accessibility_on(const Desktop& d, int32_t pid) {
  const Application* app = d.application(pid);
  if (!app || !app->on_request) return true;
  const Process& p = app->process;
  return p.on_from_ns && monotonic_ns() >= *p.on_from_ns;
}

bool reachable(const Desktop& d, const Node& node) {
  if (!node.alive) return false;
  bool marked = node.needs_accessibility;
  for (NodePtr p = node.parent.lock(); p && !marked; p = p->parent.lock()) {
    marked = p->needs_accessibility;
  }
  return !marked || accessibility_on(d, node.pid);
}

bool shown(const Desktop& d, const Node& child) {
  return !child.needs_accessibility || accessibility_on(d, child.pid);
}

NodePtr reported_focus(const Desktop& d, const NodePtr& focused) {
  if (!focused || !focused->alive || reachable(d, *focused)) return focused;
  NodePtr n = focused->parent.lock();
  while (n && !reachable(d, *n)) n = n->parent.lock();
  if (!n || !n->parent.lock()) return nullptr;  // the application element
  return n;
}

std::optional<FlagRead> read_on_request(const Desktop& d, const Node& node,
                                        std::string_view name) {
  if (!is_on_request_attribute(name)) return std::nullopt;
  const Application* app = d.application(node.pid);
  if (!requests(app, node)) return std::nullopt;
  if (name != app->on_request->attribute) return FlagRead{ax::kAttributeUnsupported, false};
  return FlagRead{ax::kSuccess, app->process.requested};
}

ax::Error set_on_request(Desktop& d, const Node* node, std::string_view name,
                         std::optional<bool> value) {
  Application* app = node ? application_of(d, node->pid) : nullptr;
  if (!node || !requests(app, *node) || name != app->on_request->attribute) {
    return ax::kAttributeUnsupported;
  }
  if (!value) return ax::kIllegalArgument;
  Process& p = app->process;
  if (!*value) {
    p.requested = false;
    p.on_from_ns.reset();
  } else {
    if (!accessibility_on(d, app->pid)) {
      auto delay = std::chrono::duration_cast<std::chrono::nanoseconds>(
          std::chrono::duration<double, std::milli>(app->on_request->delay_ms));
      p.on_from_ns = clocks::later(std::chrono::nanoseconds(monotonic_ns()), delay).count();
    }
    p.requested = true;
  }
  return app->on_request->answers_unsupported ? ax::kAttributeUnsupported : ax::kSuccess;
}

std::string relaunch(Desktop& d, int32_t pid) {
  Application* app = application_of(d, pid);
  if (!app) return "no application with pid " + std::to_string(pid);
  app->process = Process{next_launch(), false, std::nullopt};
  return "";
}

uint64_t next_launch() { return NEXT_LAUNCH.fetch_add(1); }

std::optional<proc::StartTime> start_time(const Desktop& d, int32_t pid) {
  if (const Application* app = d.application(pid)) {
    return proc::StartTime{kApplicationsStarted + app->process.launch, 0};
  }
  if (d.processes.count(pid)) return proc::StartTime{kProcessesStarted, 0};
  return std::nullopt;
}

}  // namespace sim
