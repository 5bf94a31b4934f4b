// The desktop-file reader's event side: the event settings with the script
// of timed actions, the permissions, the clock and delays.
#include "platform/sim/model/desktop_file.h"

#include <cmath>

#include "platform/sim/model/clock_shift.h"
#include "platform/sim/model/data_actions.h"
#include "platform/sim/model/desktop_file_parts.h"

namespace sim {

using namespace desktop_file_detail;

namespace {

std::string parse_script(const json& j, const Where& where,
                         std::vector<ScriptItem>* out) {
  if (!j.is_array()) return where.fail("expected an array of actions");
  for (size_t k = 0; k < j.size(); ++k) {
    Where w = where.at(k);
    const json& item = j[k];
    if (!item.is_object()) return w.fail("expected an object");
    ScriptItem s;
    if (!item.contains("at_ms")) return w.fail("missing \"at_ms\"");
    if (!is_milliseconds(item["at_ms"])) {
      return w.at("at_ms").fail(kMillisecondsExpected);
    }
    s.at_ms = item["at_ms"].get<double>();
    s.action = item;
    s.action.erase("at_ms");
    std::string r = check_action(s.action, w);
    if (!r.empty()) return r;
    out->push_back(std::move(s));
  }
  return "";
}

}  // namespace

std::string desktop_file_detail::parse_events(const json& root,
                                              EventSettings* e) {
  if (root.contains("tap")) {
    const json& tap = root["tap"];
    Where w{"tap"};
    if (std::string r = expect_object(tap, w); !r.empty()) return r;
    for (const auto& [key, v] : tap.items()) {
      if (key != "refused") return w.at(key).fail("unknown member");
      if (std::string r = parse_bool(v, w.at(key), &e->tap_refused);
          !r.empty()) {
        return r;
      }
    }
  }
  if (root.contains("input")) {
    const json& input = root["input"];
    Where w{"input"};
    if (std::string r = expect_object(input, w); !r.empty()) return r;
    for (const auto& [key, v] : input.items()) {
      if (key == "flags") {
        if (!v.is_number_unsigned()) {
          return w.at(key).fail("expected an unsigned integer");
        }
        e->flags = v.get<uint64_t>();
      } else if (key == "hid_device_bits") {
        if (std::string r = parse_bool(v, w.at(key), &e->hid_device_bits);
            !r.empty()) {
          return r;
        }
      } else if (key == "left_button") {
        if (std::string r = parse_bool(v, w.at(key), &e->left_button);
            !r.empty()) {
          return r;
        }
      } else if (key == "pointer") {
        if (!v.is_array() || v.size() != 2 || !v[0].is_number() ||
            !v[1].is_number()) {
          return w.at(key).fail("expected [x, y]");
        }
        e->pointer_x = v[0].get<double>();
        e->pointer_y = v[1].get<double>();
      } else {
        return w.at(key).fail("unknown member");
      }
    }
  }
  if (root.contains("tap_timeout_ms")) {
    if (!is_milliseconds(root["tap_timeout_ms"])) {
      return Where{"tap_timeout_ms"}.fail(kMillisecondsExpected);
    }
    e->tap_timeout_ms = root["tap_timeout_ms"].get<double>();
  }
  for (const char* key : {"control", "log"}) {
    if (!root.contains(key)) continue;
    if (!root[key].is_string() || root[key].get<std::string>().empty()) {
      return Where{key}.fail("expected a path");
    }
    (std::string(key) == "control" ? e->control_path : e->log_path) =
        root[key].get<std::string>();
  }
  if (root.contains("script")) {
    return parse_script(root["script"], Where{"script"}, &e->script);
  }
  return "";
}

std::string desktop_file_detail::parse_permissions(const json& j,
                                                   const Where& w,
                                                   Permissions* p) {
  if (std::string r = expect_object(j, w); !r.empty()) return r;
  for (const auto& [key, v] : j.items()) {
    bool* slot = key == "accessibility"      ? &p->accessibility
                 : key == "input_monitoring" ? &p->input_monitoring
                                             : nullptr;
    if (!slot) return w.at(key).fail("unknown member");
    if (std::string r = parse_bool(v, w.at(key), slot); !r.empty()) return r;
  }
  return "";
}

std::string parse_clock(const json& j, const Where& where, ClockSettings* out) {
  for (const auto& [key, v] : j.items()) {
    if (key == "action") continue;
    Where m = where.at(key);
    bool number = v.is_number() && std::isfinite(v.get<double>());
    if (key == "advance_ms") {
      if (!number || !(v.get<double>() >= 0) ||
          v.get<double>() > kMaxClockShiftMs) {
        return m.fail("expected milliseconds from 0 to 4e12");
      }
      out->advance_ms = v.get<double>();
    } else if (key == "wall_ms") {
      if (!number || std::fabs(v.get<double>()) > kMaxClockShiftMs) {
        return m.fail("expected milliseconds since 1970 from -4e12 to 4e12");
      }
      out->wall_ms = v.get<double>();
    } else if (key == "still") {
      bool still = false;
      if (std::string r = parse_bool(v, m, &still); !r.empty()) return r;
      out->still = still;
    } else {
      return m.fail("unknown member");
    }
  }
  return "";
}

void apply_clock(const ClockSettings& clock) {
  if (clock.still) clock_set_still(*clock.still);
  if (clock.wall_ms) clock_set_wall(static_cast<int64_t>(*clock.wall_ms * 1e6));
  clock_advance(static_cast<int64_t>(clock.advance_ms * 1e6));
}

std::string parse_delay(const json& j, const Where& where, double* out) {
  if (!is_milliseconds(j)) return where.fail(kMillisecondsExpected);
  *out = j.get<double>();
  return "";
}

}  // namespace sim
