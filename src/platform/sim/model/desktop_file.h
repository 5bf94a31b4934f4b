// Reading the desktop file (and the parts of it that actions repeat) into a
// Desktop, with strict validation: unknown members, wrong types and dangling
// element ids are errors with a reason naming where they are.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/sim/model/desktop.h"

namespace sim {

// Deepest level of an element below its tree's root (the root is level 0),
// in the file and after any action.
inline constexpr int kMaxElementDepth = 200;

// Parses a whole desktop file into `out` (a fresh Desktop). Returns "" or
// the reason.
std::string parse_desktop(std::string_view text, Desktop* out);

// Pieces shared with the actions. Each returns "" or the reason. New
// elements (ids unique among themselves) and the element ids that values
// refer to are collected for the caller to check against the desktop.
// Elements without an "id" are named "#<n>" from `next_auto_id`.
struct Reference {
  std::string id;
  std::string where;
};
struct Collected {
  std::vector<NodePtr> new_nodes;
  std::set<std::string> ids;
  std::vector<Reference> refs;
};

std::string parse_application(const nlohmann::json& j, const Where& where,
                              uint64_t* next_auto_id, Collected* collected,
                              Application* out);
std::string parse_element(const nlohmann::json& j, const Where& where,
                          int32_t pid, uint64_t* next_auto_id, Collected* collected,
                          int depth, NodePtr* out);
std::string parse_attributes(const nlohmann::json& j, RecipeContext context,
                             const Where& where, Collected* collected,
                             std::map<std::string, RecipePtr, std::less<>>* out);
std::string parse_settable(const nlohmann::json& j, const Where& where,
                           std::map<std::string, Settable, std::less<>>* out);
std::string parse_pasteboard(const nlohmann::json& j, const Where& where,
                             std::optional<Pasteboard>* out);
std::string parse_windows(const nlohmann::json& j, const Where& where,
                          std::optional<std::vector<RecipePtr>>* out);
// {"advance_ms": n >= 0, "wall_ms": n}: members of the "clock" member and
// action; `where` names the object.
std::string parse_clock(const nlohmann::json& j, const Where& where,
                        ClockSettings* out);
// Applies clock settings to the simulated clocks.
void apply_clock(const ClockSettings& clock);
std::string parse_delay(const nlohmann::json& j, const Where& where,
                        double* out);

}  // namespace sim
