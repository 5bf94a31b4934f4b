// The desktop-file reader's top level: every member checked, with the path
// of the fault in the reason. Members with a piece of their own are read in
// the other desktop_file*.cc files (see desktop_file_parts.h).
#include "platform/sim/model/desktop_file.h"

#include "json/strict.h"
#include "platform/sim/model/desktop_file_parts.h"

namespace sim {

using namespace desktop_file_detail;

namespace {

constexpr int kMaxJsonDepth = 512;

const char* const kCarbonNames[] = {
    "IsSecureEventInputEnabled",
    "TISCopyCurrentASCIICapableKeyboardLayoutInputSource",
    "TISGetInputSourceProperty",
    "LMGetKbdType",
    "UCKeyTranslate",
    "kTISPropertyUnicodeKeyLayoutData",
};

std::string parse_carbon(const json& j, Desktop* d) {
  Where w{"carbon"};
  if (j.is_boolean()) {
    d->carbon = j.get<bool>();
    return "";
  }
  if (!j.is_object()) return w.fail("expected false or {\"missing\": [...]}");
  for (const auto& [key, v] : j.items()) {
    if (key != "missing") return w.at(key).fail("unknown member");
    if (!v.is_array()) return w.at(key).fail("expected an array of names");
    for (size_t k = 0; k < v.size(); ++k) {
      bool known = false;
      if (v[k].is_string()) {
        for (const char* name : kCarbonNames) known |= v[k] == name;
      }
      if (!known) {
        return w.at(key).at(k).fail(
            "not one of the Carbon names looked up at run time");
      }
      d->carbon_missing.insert(v[k].get<std::string>());
    }
  }
  return "";
}

std::string parse_processes(const json& j, Desktop* d) {
  Where w{"processes"};
  if (std::string r = expect_object(j, w); !r.empty()) return r;
  for (const auto& [key, v] : j.items()) {
    json pid = json::parse(key, nullptr, false);
    if (pid.is_discarded() || !is_int32(pid) || pid.dump() != key) {
      return w.at(key).fail("not a process id");
    }
    std::string name;
    if (v.is_string()) {
      name = v.get<std::string>();
    } else if (v.is_object() && v.size() == 1 && v.contains("hex") &&
               v["hex"].is_string()) {
      RecipePtr bytes;
      std::string r = parse_recipe(json{{"data", v["hex"]}}, RecipeContext::Nested,
                                 w.at(key), &bytes);
      if (!r.empty()) return r;
      name.assign(bytes->bytes.begin(), bytes->bytes.end());
    } else {
      return w.at(key).fail("expected a name or {\"hex\": \"...\"}");
    }
    d->processes[pid.get<int32_t>()] = std::move(name);
  }
  return "";
}

std::string parse_faults(const json& j, Desktop* d) {
  Where w{"faults"};
  if (!j.is_array()) return w.fail("expected an array of faults");
  for (size_t k = 0; k < j.size(); ++k) {
    if (j[k].is_object() && j[k].contains("action")) {
      return w.at(k).fail("unknown member \"action\"");
    }
    Fault fault;
    if (std::string r = read_fault(j[k], &fault); !r.empty()) return w.at(k).fail(r);
    d->faults.faults.push_back(std::move(fault));
  }
  return "";
}

std::string parse_system_wide(const json& j, Desktop* d, Collected* c) {
  Where w{"system_wide"};
  if (std::string r = expect_object(j, w); !r.empty()) return r;
  for (const auto& [key, v] : j.items()) {
    std::string r;
    if (key == "attributes") {
      r = parse_attributes(v, RecipeContext::Attribute, w.at(key), c,
                           &d->system_wide);
    } else if (key == "delay_ms") {
      r = parse_delay(v, w.at(key), &d->system_wide_delay_ms);
    } else {
      r = w.at(key).fail("unknown member");
    }
    if (!r.empty()) return r;
  }
  return "";
}

std::string parse_member(const std::string& key, const json& v, Desktop* d,
                         Collected* c) {
  Where w{key};
  if (key == "tap" || key == "input" || key == "control" || key == "log" ||
      key == "script" || key == "tap_timeout_ms") {
    return "";  // event settings, read by parse_events
  }
  if (key == "clock") {
    if (std::string r = expect_object(v, w); !r.empty()) return r;
    return parse_clock(v, w, &d->clock);
  }
  if (key == "secure_input") return parse_bool(v, w, &d->secure_input);
  if (key == "permissions") return parse_permissions(v, w, &d->permissions);
  if (key == "carbon") return parse_carbon(v, d);
  if (key == "keyboard") return parse_keyboard(v, w, &d->keyboard);
  if (key == "appkit") return parse_bool(v, w, &d->appkit);
  if (key == "pasteboard") return parse_pasteboard(v, w, &d->pasteboard);
  if (key == "windows") return parse_windows(v, w, &d->windows);
  if (key == "processes") return parse_processes(v, d);
  if (key == "faults") return parse_faults(v, d);
  if (key == "trace_calls") return parse_bool(v, w, &d->faults.trace_calls);
  if (key == "system_wide") return parse_system_wide(v, d, c);
  if (key == "focus") return parse_focus(v, w, &d->focus, c);
  if (key == "paste") return parse_paste(v, d, c);
  if (key == "applications") {
    if (!v.is_array()) return w.fail("expected an array of applications");
    for (size_t k = 0; k < v.size(); ++k) {
      Application app;
      std::string r =
          parse_application(v[k], w.at(k), &d->next_auto_id, c, &app);
      if (!r.empty()) return r;
      if (d->application(app.pid)) {
        return w.at(k).at("pid").fail("two applications with pid " +
                                      std::to_string(app.pid));
      }
      d->put_application(std::move(app));
    }
    return "";
  }
  return w.fail("unknown member");
}

}  // namespace

std::string desktop_file_detail::parse_focus(const json& j, const Where& w,
                                             std::optional<std::string>* out,
                                             Collected* c) {
  if (j.is_null()) {
    out->reset();
    return "";
  }
  if (!j.is_string()) return w.fail("expected an element id or null");
  *out = j.get<std::string>();
  c->refs.push_back({**out, w.path});
  return "";
}

std::string parse_desktop(std::string_view text, Desktop* d) {
  json root;
  if (std::string r = ::json::parse_strictly(text, &root); !r.empty()) return r;
  if (!root.is_object()) return "not a JSON object";
  if (!within_depth(root, kMaxJsonDepth)) return "nested too deeply";
  d->keyboard.layout = builtin_layout("us");
  Collected c;
  for (const auto& [key, v] : root.items()) {
    std::string r = parse_member(key, v, d, &c);
    if (!r.empty()) return r;
  }
  std::string r = parse_events(root, &d->events);
  if (!r.empty()) return r;
  for (const auto& ref : c.refs) {
    if (!d->nodes.count(ref.id)) {
      return Where{ref.where}.fail("no element \"" + ref.id + "\"");
    }
  }
  return "";
}

}  // namespace sim
