// Actions that change the desktop's data while a test runs (from the control
// FIFO, the script, or a test), and the application's paste reaction.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/sim/model/desktop.h"
#include "platform/sim/model/desktop_file.h"

namespace sim {

struct DataAction {
  enum class Kind {
    Set, Focus, SecureInput, Pasteboard, Windows, Application, Delay, Clock,
    Relaunch  // application.pid: a new process under that pid
  };
  Kind kind = Kind::Set;
  std::string element;
  std::map<std::string, RecipePtr, std::less<>> attributes;
  std::optional<std::vector<NodePtr>> children;
  std::map<std::string, Settable, std::less<>> settable;
  std::optional<std::string> focus;
  bool on = false;
  std::optional<Pasteboard> pasteboard;
  std::optional<std::vector<RecipePtr>> windows;
  Application application;
  double delay_ms = 0;
  ClockSettings clock;
  Collected collected;
};

// Parses a data action. Returns "" when it is one and is well formed,
// kNotDataAction when its "action" is not a data action, else the reason.
inline constexpr const char* kNotDataAction = "unknown action";
std::string parse_data_action(const nlohmann::json& action,
                              uint64_t* next_auto_id, DataAction* out);

// Checks an action of the script: data actions fully, others by form only.
std::string check_action(const nlohmann::json& action, const Where& where);

// Applies a parsed action: element ids are checked against the desktop
// first, and nothing changes when the action is rejected.
std::string apply(Desktop& desktop, DataAction& action);

// Sets attributes of one element (used by "set" and the paste reaction).
void set_attributes(Node& node,
                    const std::map<std::string, RecipePtr, std::less<>>& attrs);

}  // namespace sim
