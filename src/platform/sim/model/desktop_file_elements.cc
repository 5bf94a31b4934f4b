// The desktop-file reader's applications and their element trees: elements,
// attributes and the settable attributes of an element.
#include "platform/sim/model/desktop_file.h"

#include "platform/sim/model/desktop_file_parts.h"

namespace sim {

using namespace desktop_file_detail;

namespace {

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

}  // namespace

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
    } else if (key == "needs_accessibility") {
      r = parse_bool(v, w, &node->needs_accessibility);
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
    } else if (key == "accessibility_on_request") {
      std::string r = parse_on_request(v, w, &out->on_request);
      if (!r.empty()) return r;
    } else {
      return w.fail("unknown member");
    }
  }
  return finish_application(where, out);
}

}  // namespace sim
