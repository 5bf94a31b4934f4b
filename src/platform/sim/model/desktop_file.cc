// The desktop-file reader: every member checked, with the path of the fault
// in the reason.
#include "platform/sim/model/desktop_file.h"

#include <cmath>

#include "json/strict.h"
#include "platform/sim/model/clock_shift.h"

#include <cmath>

#include "platform/sim/model/data_actions.h"

namespace sim {
namespace {

using json = nlohmann::json;

constexpr int kMaxJsonDepth = 512;
// Times and delays: long enough for any test, short enough that no clock
// arithmetic on them overflows.
constexpr double kMaxMilliseconds = 1e12;
constexpr const char* kMillisecondsExpected =
    "expected a number of milliseconds from 0 to 1e12";

bool is_milliseconds(const json& j) {
  return j.is_number() && j.get<double>() >= 0 &&
         j.get<double>() <= kMaxMilliseconds;
}

const char* const kCarbonNames[] = {
    "IsSecureEventInputEnabled",
    "TISCopyCurrentASCIICapableKeyboardLayoutInputSource",
    "TISGetInputSourceProperty",
    "LMGetKbdType",
    "UCKeyTranslate",
    "kTISPropertyUnicodeKeyLayoutData",
};

std::string expect_object(const json& j, const Where& where) {
  return j.is_object() ? "" : where.fail("expected an object");
}

bool is_int32(const json& j) {
  int32_t v;
  return parse_code(j, &v);
}

std::string parse_bool(const json& j, const Where& where, bool* out) {
  if (!j.is_boolean()) return where.fail("expected true or false");
  *out = j.get<bool>();
  return "";
}

std::string parse_multiple(const json& j, const Where& where, Node* node) {
  if (!j.is_object() || j.size() != 1) {
    return where.fail(
        "expected {\"error\": code}, {\"count\": n} or {\"none\": true}");
  }
  const std::string& key = j.begin().key();
  const json& v = j.begin().value();
  if (key == "error") {
    if (!parse_code(v, &node->multiple_error) || node->multiple_error == 0) {
      return where.at(key).fail("expected a nonzero 32-bit error code");
    }
  } else if (key == "count") {
    if (!v.is_number_unsigned()) {
      return where.at(key).fail("expected a count");
    }
    node->multiple_count = v.get<uint64_t>();
  } else if (key == "none") {
    if (v != json(true)) return where.at(key).fail("expected true");
    node->multiple_no_array = true;
  } else {
    return where.at(key).fail("unknown member");
  }
  return "";
}

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

std::string parse_events(const json& root, EventSettings* e) {
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

std::string parse_permissions(const json& j, const Where& w, Permissions* p) {
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

std::string parse_focus(const json& j, const Where& w,
                        std::optional<std::string>* out, Collected* c) {
  if (j.is_null()) {
    out->reset();
    return "";
  }
  if (!j.is_string()) return w.fail("expected an element id or null");
  *out = j.get<std::string>();
  c->refs.push_back({**out, w.path});
  return "";
}

std::string parse_paste(const json& j, Desktop* d, Collected* c) {
  Where w{"paste"};
  if (std::string r = expect_object(j, w); !r.empty()) return r;
  PasteReaction p;
  for (const auto& [key, v] : j.items()) {
    Where m = w.at(key);
    std::string r;
    if (key == "delay_ms") {
      r = parse_delay(v, m, &p.delay_ms);
    } else if (key == "focus") {
      p.moves_focus = true;
      r = parse_focus(v, m, &p.focus, c);
    } else if (key == "set") {
      if (!v.is_array()) return m.fail("expected an array");
      for (size_t k = 0; k < v.size() && r.empty(); ++k) {
        Where s = m.at(k);
        const json& item = v[k];
        if (!item.is_object() || !item.contains("element") ||
            !item["element"].is_string()) {
          return s.fail("expected {\"element\": id, \"attributes\": {...}}");
        }
        PasteReaction::Set set;
        set.element = item["element"].get<std::string>();
        c->refs.push_back({set.element, s.at("element").path});
        for (const auto& [name, member] : item.items()) {
          if (name == "element") continue;
          if (name != "attributes") return s.at(name).fail("unknown member");
          r = parse_attributes(member, RecipeContext::Set, s.at(name), c,
                               &set.attributes);
        }
        p.sets.push_back(std::move(set));
      }
    } else {
      r = m.fail("unknown member");
    }
    if (!r.empty()) return r;
  }
  d->paste = std::move(p);
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
    } else {
      return m.fail("unknown member");
    }
  }
  return "";
}

void apply_clock(const ClockSettings& clock) {
  if (clock.wall_ms) clock_set_wall(static_cast<int64_t>(*clock.wall_ms * 1e6));
  clock_advance(static_cast<int64_t>(clock.advance_ms * 1e6));
}

std::string parse_delay(const json& j, const Where& where, double* out) {
  if (!is_milliseconds(j)) return where.fail(kMillisecondsExpected);
  *out = j.get<double>();
  return "";
}

std::string parse_attributes(const json& j, RecipeContext context,
                             const Where& where, Collected* collected,
                             std::map<std::string, RecipePtr, std::less<>>* out) {
  if (!j.is_object()) return where.fail("expected an object of attributes");
  for (const auto& [name, v] : j.items()) {
    RecipePtr recipe;
    std::string r = parse_recipe(v, context, where.at(name), &recipe);
    if (!r.empty()) return r;
    std::vector<std::string> ids;
    referenced_elements(*recipe, &ids);
    for (auto& id : ids) collected->refs.push_back({id, where.at(name).path});
    (*out)[name] = std::move(recipe);
  }
  return "";
}

std::string parse_settable(const json& j, const Where& where,
                           std::map<std::string, Settable, std::less<>>* out) {
  if (j.is_array()) {
    for (size_t k = 0; k < j.size(); ++k) {
      if (!j[k].is_string()) return where.at(k).fail("expected a name");
      (*out)[j[k].get<std::string>()] = Settable{true, 0};
    }
    return "";
  }
  if (!j.is_object()) {
    return where.fail("expected an array of names or an object");
  }
  for (const auto& [name, v] : j.items()) {
    Settable s;
    if (v.is_boolean()) {
      s.settable = v.get<bool>();
    } else if (!(v.is_object() && v.size() == 1 && v.contains("error") &&
                 parse_code(v["error"], &s.error) && s.error != 0)) {
      return where.at(name).fail("expected true, false or {\"error\": code}");
    }
    (*out)[name] = s;
  }
  return "";
}

std::string parse_element(const json& j, const Where& where, int32_t pid,
                          uint64_t* next_auto_id, Collected* collected,
                          int depth, NodePtr* out) {
  if (depth > kMaxElementDepth) return where.fail("elements nested too deeply");
  if (!j.is_object()) return where.fail("expected an element object");
  auto node = std::make_shared<Node>();
  node->pid = pid;
  if (j.contains("id")) {
    if (!j["id"].is_string() || j["id"].get<std::string>().empty() ||
        j["id"].get<std::string>()[0] == '#') {
      return where.at("id").fail(
          "expected a non-empty id that does not begin with '#'");
    }
    node->id = j["id"].get<std::string>();
  } else {
    node->id = "#" + std::to_string((*next_auto_id)++);
  }
  if (!collected->ids.insert(node->id).second) {
    return where.at("id").fail("duplicate id \"" + node->id + "\"");
  }
  collected->new_nodes.push_back(node);
  for (const auto& [key, v] : j.items()) {
    Where w = where.at(key);
    std::string r;
    if (key == "id") {
      continue;
    } else if (key == "attributes") {
      r = parse_attributes(v, RecipeContext::Attribute, w, collected,
                           &node->attributes);
    } else if (key == "settable") {
      r = parse_settable(v, w, &node->settable);
    } else if (key == "delay_ms") {
      double delay = 0;
      r = parse_delay(v, w, &delay);
      node->delay_ms = delay;
    } else if (key == "parameterized") {
      if (!v.is_object()) return w.fail("expected an object");
      for (const auto& [name, p] : v.items()) {
        if (name != "AXStringForRange") {
          return w.at(name).fail("unknown parameterized attribute");
        }
        r = parse_recipe(p, RecipeContext::Attribute, w.at(name),
                       &node->string_for_range);
        if (!r.empty()) return r;
        std::vector<std::string> ids;
        referenced_elements(*node->string_for_range, &ids);
        for (auto& id : ids) collected->refs.push_back({id, w.at(name).path});
      }
    } else if (key == "pid_error") {
      int32_t code = 0;
      if (!parse_code(v, &code) || code == 0) {
        return w.fail("expected a nonzero 32-bit error code");
      }
      node->pid_error = code;
    } else if (key == "multiple") {
      r = parse_multiple(v, w, node.get());
    } else if (key == "children") {
      if (!v.is_array()) return w.fail("expected an array of elements");
      for (size_t k = 0; k < v.size() && r.empty(); ++k) {
        NodePtr child;
        r = parse_element(v[k], w.at(k), pid, next_auto_id, collected,
                          depth + 1, &child);
        if (r.empty()) {
          child->parent = node;
          node->children.push_back(std::move(child));
        }
      }
    } else {
      r = w.fail("unknown member");
    }
    if (!r.empty()) return r;
  }
  *out = std::move(node);
  return "";
}

std::string parse_application(const json& j, const Where& where,
                              uint64_t* next_auto_id, Collected* collected,
                              Application* out) {
  if (!j.is_object()) return where.fail("expected an application object");
  if (!j.contains("pid") || !is_int32(j["pid"])) {
    return where.at("pid").fail("expected a 32-bit process id");
  }
  out->pid = j["pid"].get<int32_t>();
  for (const auto& [key, v] : j.items()) {
    Where w = where.at(key);
    if (key == "pid") continue;
    if (key == "bundle_id" || key == "name") {
      if (!v.is_null() && !v.is_string()) {
        return w.fail("expected a string or null");
      }
      auto& field = key == "name" ? out->name : out->bundle_id;
      if (v.is_string()) field = v.get<std::string>();
    } else if (key == "bundle") {
      if (v.is_null()) continue;
      if (!v.is_object()) return w.fail("expected an object or null");
      out->has_bundle = true;
      for (const auto& [name, c] : v.items()) {
        if (name != "category") return w.at(name).fail("unknown member");
        if (!within_depth(c, 64)) return w.at(name).fail("nested too deeply");
        out->category = c;
      }
    } else if (key == "ui") {
      std::string r = parse_element(v, w, out->pid, next_auto_id, collected, 0,
                                    &out->ui);
      if (!r.empty()) return r;
    } else if (key == "delay_ms" || key == "lookup_delay_ms") {
      std::string r = parse_delay(
          v, w, key == "delay_ms" ? &out->delay_ms : &out->lookup_delay_ms);
      if (!r.empty()) return r;
    } else if (key == "running") {
      std::string r = parse_bool(v, w, &out->running);
      if (!r.empty()) return r;
    } else {
      return w.fail("unknown member");
    }
  }
  return "";
}

std::string parse_pasteboard(const json& j, const Where& where,
                             std::optional<Pasteboard>* out) {
  if (j.is_null()) {
    out->reset();
    return "";
  }
  if (!j.is_object()) return where.fail("expected an object or null");
  Pasteboard p;
  for (const auto& [key, v] : j.items()) {
    Where w = where.at(key);
    if (key != "types") return w.fail("unknown member");
    if (v.is_null()) {
      p.has_types = false;
      continue;
    }
    if (!v.is_array()) return w.fail("expected an array or null");
    for (size_t k = 0; k < v.size(); ++k) {
      if (v[k].is_null()) {
        p.types.emplace_back();
      } else if (v[k].is_string()) {
        p.types.emplace_back(v[k].get<std::string>());
      } else {
        return w.at(k).fail("expected a type name or null");
      }
    }
  }
  *out = std::move(p);
  return "";
}

std::string parse_windows(const json& j, const Where& where,
                          std::optional<std::vector<RecipePtr>>* out) {
  if (j.is_null()) {
    out->reset();
    return "";
  }
  if (!j.is_array()) return where.fail("expected an array or null");
  std::vector<RecipePtr> windows;
  for (size_t k = 0; k < j.size(); ++k) {
    RecipePtr w;
    std::string r = parse_recipe(j[k], RecipeContext::Window, where.at(k), &w);
    if (!r.empty()) return r;
    windows.push_back(std::move(w));
  }
  *out = std::move(windows);
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
