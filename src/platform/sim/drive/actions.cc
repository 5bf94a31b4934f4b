// Control actions: the event side's own, and the hand-over of the rest to
// the data side. Actions are applied one at a time, in the order they
// arrive, whatever thread brings them.
#include <cmath>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/cg_event.h"
#include "platform/sim/model/faults.h"
#include "platform/sim/drive/taps.h"
#include "platform/sim/model/audit.h"
#include "platform/sim/drive/events.h"
#include "platform/sim/drive/events_state.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

using nlohmann::json;

std::mutex& action_mutex() {
  static std::mutex* mu = new std::mutex;  // never destroyed
  return *mu;
}

// "" when every member of `action` is one of `known` (besides "action").
std::string check_members(const json& action, std::initializer_list<std::string_view> known) {
  for (const auto& [key, value] : action.items()) {
    if (key == "action") continue;
    bool found = false;
    for (std::string_view k : known) found = found || key == k;
    if (!found) return "unknown member \"" + key + "\"";
  }
  return "";
}

// An action whose one member `member` is a boolean: applies its value.
std::string apply_boolean(const json& action, const char* member, void (*apply)(bool)) {
  std::string bad = check_members(action, {member});
  if (!bad.empty()) return bad;
  if (!action.value(member, json()).is_boolean()) {
    return "\"" + std::string(member) + "\" must be a boolean";
  }
  apply(action[member].get<bool>());
  return "";
}

// A non-negative integer (JSON text gives unsigned, built values signed).
std::optional<uint64_t> as_unsigned(const json& v) {
  if (v.is_number_unsigned()) return v.get<uint64_t>();
  if (v.is_number_integer() && v.get<int64_t>() >= 0) return v.get<uint64_t>();
  return std::nullopt;
}

std::optional<cg::EventType> input_type(const json& type) {
  if (std::optional<uint64_t> v = as_unsigned(type)) {
    if (*v < 64) return static_cast<cg::EventType>(*v);
    return std::nullopt;
  }
  if (!type.is_string()) return std::nullopt;
  static const std::pair<const char*, cg::EventType> names[] = {
      {"key_down", cg::kKeyDown},
      {"key_up", cg::kKeyUp},
      {"flags_changed", cg::kFlagsChanged},
      {"left_mouse_down", cg::kLeftMouseDown},
      {"left_mouse_up", cg::kLeftMouseUp},
      {"right_mouse_down", cg::kRightMouseDown},
      {"other_mouse_down", cg::kOtherMouseDown},
      {"scroll_wheel", cg::kScrollWheel},
  };
  const std::string& name = type.get_ref<const std::string&>();
  for (const auto& [n, t] : names) {
    if (name == n) return t;
  }
  return std::nullopt;
}

bool is_finite_number(const json& v) {
  return v.is_number() && std::isfinite(v.get<double>());
}

std::string apply_input(const json& a) {
  std::string bad = check_members(
      a, {"type", "keycode", "flags", "autorepeat", "source_pid", "x", "y"});
  if (!bad.empty()) return bad;
  auto type_member = a.find("type");
  std::optional<cg::EventType> type =
      type_member == a.end() ? std::nullopt : input_type(*type_member);
  if (!type) return "\"type\" must be an event name or a type number below 64";
  InputEvent event;
  event.type = *type;
  if (a.contains("keycode")) {
    if (!a["keycode"].is_number_integer()) return "\"keycode\" must be an integer";
    event.keycode = a["keycode"].get<int64_t>();
  }
  if (a.contains("autorepeat")) {
    if (!a["autorepeat"].is_boolean()) return "\"autorepeat\" must be a boolean";
    event.autorepeat = a["autorepeat"].get<bool>() ? 1 : 0;
  }
  if (a.contains("source_pid")) {
    if (!a["source_pid"].is_number_integer()) return "\"source_pid\" must be an integer";
    event.source_pid = a["source_pid"].get<int64_t>();
  }
  std::optional<uint64_t> flags;
  if (a.contains("flags")) {
    flags = as_unsigned(a["flags"]);
    if (!flags) return "\"flags\" must be an unsigned integer";
  }
  if (a.contains("x") != a.contains("y")) return "\"x\" and \"y\" go together";
  if (a.contains("x") && !(is_finite_number(a["x"]) && is_finite_number(a["y"]))) {
    return "\"x\" and \"y\" must be numbers";
  }

  // The HID state changes before any tap sees the event.
  if (a.contains("x")) set_input_pointer(a["x"].get<double>(), a["y"].get<double>());
  if (event.type == cg::kFlagsChanged && flags) set_input_flags(*flags);
  note_input_key(event.type, event.keycode, flags ? *flags : input_state().flags);
  if (event.type == cg::kLeftMouseDown) set_input_button(true);
  if (event.type == cg::kLeftMouseUp) set_input_button(false);
  InputState now = input_state();
  event.flags = flags ? *flags : now.flags;
  event.location = {now.x, now.y};
  deliver_input(event);
  return "";
}

std::string apply_event_action(const std::string& name, const json& a) {
  if (name == "input") return apply_input(a);
  if (name == "tap_disabled") {
    std::string bad = check_members(a, {"by"});
    if (!bad.empty()) return bad;
    std::string by = a.value("by", json()).is_string() ? a["by"].get<std::string>() : "";
    if (by == "timeout") {
      disable_taps(cg::kTapDisabledByTimeout);
    } else if (by == "user_input") {
      disable_taps(cg::kTapDisabledByUserInput);
    } else {
      return "\"by\" must be \"timeout\" or \"user_input\"";
    }
    return "";
  }
  if (name == "flags") {
    std::string bad = check_members(a, {"flags"});
    if (!bad.empty()) return bad;
    std::optional<uint64_t> flags = as_unsigned(a.value("flags", json()));
    if (!flags) return "\"flags\" must be an unsigned integer";
    set_input_flags(*flags);
    return "";
  }
  if (name == "hid_device_bits") return apply_boolean(a, "on", set_hid_device_bits);
  if (name == "permissions") {
    std::string bad = check_members(a, {"accessibility", "input_monitoring"});
    if (!bad.empty()) return bad;
    std::optional<bool> granted[2];
    const char* names[2] = {"accessibility", "input_monitoring"};
    for (int k = 0; k < 2; ++k) {
      if (!a.contains(names[k])) continue;
      if (!a[names[k]].is_boolean()) return "permissions must be booleans";
      granted[k] = a[names[k]].get<bool>();
    }
    if (!granted[0] && !granted[1]) return "name \"accessibility\" or \"input_monitoring\"";
    set_permissions(granted[0], granted[1]);
    if (granted[0] == false) stall_active_taps();
    return "";
  }
  if (name == "button") return apply_boolean(a, "down", set_input_button);
  if (name == "pointer") {
    std::string bad = check_members(a, {"x", "y"});
    if (!bad.empty()) return bad;
    if (!is_finite_number(a.value("x", json())) || !is_finite_number(a.value("y", json()))) {
      return "\"x\" and \"y\" must be numbers";
    }
    set_input_pointer(a["x"].get<double>(), a["y"].get<double>());
    return "";
  }
  if (name == "marker") {
    std::string bad = check_members(a, {"label"});
    if (!bad.empty()) return bad;
    if (!a.value("label", json()).is_string()) return "\"label\" must be a string";
    log_effect({{"effect", "marker"}, {"label", a["label"]}});
    return "";
  }
  if (name == "audit") {
    std::string bad = check_members(a, {});
    if (!bad.empty()) return bad;
    Audit now = audit();
    log_effect({{"effect", "audit"},
                {"live", now.total_live()},
                {"kinds", now.live},
                {"over_releases", now.over_releases}});
    return "";
  }
  if (name == "fault") {
    Fault fault;
    if (std::string r = read_fault(a, &fault); !r.empty()) return r;
    add_fault(fault);
    return "";
  }
  if (name == "fail_events") {
    std::string bad = check_members(a, {"after", "count", "kind"});
    if (!bad.empty()) return bad;
    std::optional<uint64_t> count = as_unsigned(a.value("count", json()));
    if (!count) return "\"count\" must be an unsigned integer";
    std::optional<uint64_t> after = as_unsigned(a.value("after", json(0)));
    if (!after) return "\"after\" must be an unsigned integer";
    json kind = a.value("kind", json("keyboard"));
    if (kind != "keyboard" && kind != "plain") {
      return "\"kind\" must be \"keyboard\" or \"plain\"";
    }
    fail_events(kind == "keyboard" ? EventKind::Keyboard : EventKind::Plain,
                *count > INT64_MAX ? INT64_MAX : static_cast<int64_t>(*count),
                *after > INT64_MAX ? INT64_MAX : static_cast<int64_t>(*after));
    return "";
  }
  return "unknown action";
}

}  // namespace

std::string apply_action(const nlohmann::json& action) {
  start_event_side();
  if (!action.is_object()) return "an action must be a JSON object";
  auto name = action.find("action");
  if (name == action.end() || !name->is_string()) {
    return "\"action\" must name the action";
  }
  std::lock_guard lock(action_mutex());
  std::string reason = apply_event_action(name->get<std::string>(), action);
  if (reason == "unknown action") reason = apply_data_action(action);
  return reason;
}

}  // namespace sim
