// The simulated desktop's data: applications and their accessibility trees,
// focus, keyboard, pasteboard, windows and process names. One Desktop is
// current at a time (state.h); it is only touched under the state's mutex.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/sim/model/faults.h"
#include "platform/sim/model/keyboard.h"
#include "platform/sim/model/value_recipe.h"
#include "platform/sim/sim.h"

namespace sim {

// Answer of AXUIElementIsAttributeSettable for one attribute.
struct Settable {
  bool settable = false;
  int32_t error = 0;  // nonzero: the request fails with it
};

// One accessibility element of some application.
struct Node {
  std::string id;
  int32_t pid = 0;
  std::map<std::string, RecipePtr, std::less<>> attributes;
  std::map<std::string, Settable, std::less<>> settable;
  // Every message to the element takes this long; none: its application's
  // delay.
  std::optional<double> delay_ms;
  std::vector<std::shared_ptr<Node>> children;
  std::weak_ptr<Node> parent;
  RecipePtr string_for_range;       // overrides the derived "AXStringForRange"
  std::optional<int32_t> pid_error;  // AXUIElementGetPid fails with it
  // Multiple-attribute reads: fail as a whole, or answer fewer entries.
  int32_t multiple_error = 0;
  std::optional<size_t> multiple_count;
  bool multiple_no_array = false;
  bool alive = true;  // false once removed from the desktop
  // Exists, with its subtree, only while its application's accessibility is
  // on (app_accessibility.h).
  bool needs_accessibility = false;
};
using NodePtr = std::shared_ptr<Node>;

// An application that builds its accessibility tree only when an assistive
// client sets `attribute` to true on its application element
// (app_accessibility.h).
struct AccessibilityOnRequest {
  std::string attribute;  // "AXManualAccessibility" or "AXEnhancedUserInterface"
  double delay_ms = 0;    // from the set to the tree
  bool answers_unsupported = false;  // every set of it answers -25205
};

// The running process behind an application: a relaunch makes a new one.
struct Process {
  uint64_t launch = 0;                // new for every launch: its start time
  bool requested = false;             // the attribute was set to true
  std::optional<int64_t> on_from_ns;  // monotonic: accessibility on from then
};

struct Application {
  int32_t pid = 0;
  std::optional<std::string> bundle_id;
  std::optional<std::string> name;
  bool has_bundle = false;
  std::optional<nlohmann::json> category;  // absent: no such info entry
  NodePtr ui;
  double delay_ms = 0;         // of every element without a delay of its own
  bool running = true;         // false: the runtime does not know the process
  double lookup_delay_ms = 0;  // runningApplicationWithProcessIdentifier:
  std::optional<AccessibilityOnRequest> on_request;  // none: always on
  Process process;
};

struct Pasteboard {
  bool present = true;
  bool has_types = true;
  std::vector<std::optional<std::string>> types;  // none: UTF8String is nil
};

struct PasteReaction {
  double delay_ms = 0;
  struct Set {
    std::string element;
    std::map<std::string, RecipePtr, std::less<>> attributes;
  };
  std::vector<Set> sets;
  bool moves_focus = false;
  std::optional<std::string> focus;
};

// Shifts of the clocks (see clock_shift.h).
struct ClockSettings {
  double advance_ms = 0;           // both clocks forward
  std::optional<double> wall_ms;   // the wall clock set to this
  std::optional<bool> still;       // the monotonic clock stopped or running
};

// What the user granted the helper (System Settings > Privacy & Security).
// Without Accessibility no active tap can be made, accessibility requests
// answer kAXErrorAPIDisabled and posted events are dropped; without Input
// Monitoring no listen-only tap can be made.
struct Permissions {
  bool accessibility = true;
  bool input_monitoring = true;
};

struct Desktop {
  EventSettings events;
  Permissions permissions;
  ClockSettings clock;
  bool secure_input = false;
  bool carbon = true;
  std::set<std::string> carbon_missing;
  KeyboardSettings keyboard;
  bool appkit = true;
  std::optional<Pasteboard> pasteboard = Pasteboard{};
  std::vector<Application> applications;
  std::map<std::string, RecipePtr, std::less<>> system_wide;
  double system_wide_delay_ms = 0;
  std::optional<std::string> focus;
  std::map<int32_t, std::string> processes;
  std::optional<std::vector<RecipePtr>> windows = std::vector<RecipePtr>{};
  std::optional<PasteReaction> paste;
  FaultPlan faults;  // installed when the desktop is loaded

  // Live elements by id, and elements removed since (kept so that values
  // still naming them give an element that answers "invalid").
  std::map<std::string, NodePtr, std::less<>> nodes;
  std::map<std::string, NodePtr, std::less<>> retired;
  uint64_t next_auto_id = 1;  // elements without an "id" get "#<n>"

  Desktop() = default;
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  NodePtr find(std::string_view id) const;  // live first, then retired
  const Application* application(int32_t pid) const;
  // Adds or replaces (by pid) an application; elements of a replaced tree
  // are retired. A replaced application keeps its process.
  void put_application(Application app);
  // Marks a subtree removed and moves its ids to `retired`.
  void retire(const NodePtr& root);
  // Registers a new subtree's ids as live.
  void adopt_tree(const NodePtr& root);
};

}  // namespace sim
