// Data actions: checked against the desktop whole, then applied.
#include "platform/sim/model/data_actions.h"

#include <algorithm>
#include <set>
#include <utility>

#include "platform/sim/model/app_accessibility.h"

namespace sim {
namespace {

using json = nlohmann::json;

// The members an action may carry besides "action".
std::string only_members(const json& a, std::initializer_list<const char*> ok,
                         const Where& where) {
  for (const auto& [key, v] : a.items()) {
    bool known = key == "action";
    for (const char* name : ok) known |= key == name;
    if (!known) return where.at(key).fail("unknown member");
  }
  return "";
}

std::string element_id(const json& a, const Where& where, std::string* out) {
  if (!a.contains("element") || !a["element"].is_string()) {
    return where.at("element").fail("expected an element id");
  }
  *out = a["element"].get<std::string>();
  return "";
}

void collect_ids(const NodePtr& root, std::set<std::string>* ids) {
  std::vector<const Node*> pending;
  if (root) pending.push_back(root.get());
  while (!pending.empty()) {
    const Node* n = pending.back();
    pending.pop_back();
    ids->insert(n->id);
    for (const auto& c : n->children) pending.push_back(c.get());
  }
}

// Level of `node` below its tree's root.
size_t level_of(const Node& node) {
  size_t level = 0;
  for (NodePtr p = node.parent.lock(); p; p = p->parent.lock()) ++level;
  return level;
}

// Levels a subtree spans: 1 for a leaf.
size_t height_of(const NodePtr& root) {
  size_t height = 0;
  std::vector<std::pair<const Node*, size_t>> pending{{root.get(), 1}};
  while (!pending.empty()) {
    auto [n, level] = pending.back();
    pending.pop_back();
    height = std::max(height, level);
    for (const auto& c : n->children) pending.push_back({c.get(), level + 1});
  }
  return height;
}

// New elements may reuse only ids of the subtree they replace.
std::string check_new_ids(const Desktop& d, const Collected& c,
                          const std::vector<NodePtr>& replaced) {
  std::set<std::string> replaceable;
  for (const auto& root : replaced) collect_ids(root, &replaceable);
  for (const auto& id : c.ids) {
    if (d.nodes.count(id) && !replaceable.count(id)) {
      return "duplicate id \"" + id + "\"";
    }
  }
  return "";
}

std::string check_refs(const Desktop& d, const Collected& c) {
  for (const auto& ref : c.refs) {
    if (!d.find(ref.id) && !c.ids.count(ref.id)) {
      return Where{ref.where}.fail("no element \"" + ref.id + "\"");
    }
  }
  return "";
}

}  // namespace

std::string parse_data_action(const json& a, uint64_t* next_auto_id,
                              DataAction* out) {
  if (!a.is_object() || !a.contains("action") || !a["action"].is_string()) {
    return "expected an object with a string \"action\"";
  }
  if (!within_depth(a, 512)) return "nested too deeply";
  const std::string& name = a["action"].get_ref<const std::string&>();
  Where w;
  Collected& c = out->collected;
  if (name == "set") {
    out->kind = DataAction::Kind::Set;
    if (auto r = only_members(a, {"element", "attributes", "children",
                                  "settable"}, w);
        !r.empty()) {
      return r;
    }
    if (auto r = element_id(a, w, &out->element); !r.empty()) return r;
    c.refs.push_back({out->element, "element"});
    if (a.contains("attributes")) {
      if (auto r = parse_attributes(a["attributes"], RecipeContext::Set,
                                    w.at("attributes"), &c, &out->attributes);
          !r.empty()) {
        return r;
      }
    }
    if (a.contains("settable")) {
      if (auto r = parse_settable(a["settable"], w.at("settable"),
                                  &out->settable);
          !r.empty()) {
        return r;
      }
    }
    if (a.contains("children")) {
      const json& children = a["children"];
      if (!children.is_array()) {
        return w.at("children").fail("expected an array of elements");
      }
      out->children.emplace();
      for (size_t k = 0; k < children.size(); ++k) {
        NodePtr child;
        if (auto r = parse_element(children[k], w.at("children").at(k), 0,
                                   next_auto_id, &c, 1, &child);
            !r.empty()) {
          return r;
        }
        out->children->push_back(std::move(child));
      }
    }
    return "";
  }
  if (name == "focus") {
    out->kind = DataAction::Kind::Focus;
    if (auto r = only_members(a, {"element"}, w); !r.empty()) return r;
    if (!a.contains("element") ||
        !(a["element"].is_null() || a["element"].is_string())) {
      return w.at("element").fail("expected an element id or null");
    }
    if (a["element"].is_string()) {
      out->focus = a["element"].get<std::string>();
      c.refs.push_back({*out->focus, "element"});
    }
    return "";
  }
  if (name == "secure_input") {
    out->kind = DataAction::Kind::SecureInput;
    if (auto r = only_members(a, {"on"}, w); !r.empty()) return r;
    if (!a.contains("on") || !a["on"].is_boolean()) {
      return w.at("on").fail("expected true or false");
    }
    out->on = a["on"].get<bool>();
    return "";
  }
  if (name == "pasteboard") {
    out->kind = DataAction::Kind::Pasteboard;
    if (a.contains("pasteboard")) {
      if (auto r = only_members(a, {"pasteboard"}, w); !r.empty()) return r;
      return parse_pasteboard(a["pasteboard"], w.at("pasteboard"),
                              &out->pasteboard);
    }
    json rest = a;
    rest.erase("action");
    return parse_pasteboard(rest, w, &out->pasteboard);
  }
  if (name == "windows") {
    out->kind = DataAction::Kind::Windows;
    if (auto r = only_members(a, {"windows"}, w); !r.empty()) return r;
    if (!a.contains("windows")) return w.at("windows").fail("missing");
    return parse_windows(a["windows"], w.at("windows"), &out->windows);
  }
  if (name == "application") {
    out->kind = DataAction::Kind::Application;
    json rest = a;
    rest.erase("action");
    return parse_application(rest, w, next_auto_id, &c, &out->application);
  }
  if (name == "delay") {
    out->kind = DataAction::Kind::Delay;
    if (auto r = only_members(a, {"element", "delay_ms"}, w); !r.empty()) {
      return r;
    }
    if (auto r = element_id(a, w, &out->element); !r.empty()) return r;
    c.refs.push_back({out->element, "element"});
    if (!a.contains("delay_ms")) return w.at("delay_ms").fail("missing");
    return parse_delay(a["delay_ms"], w.at("delay_ms"), &out->delay_ms);
  }
  if (name == "clock") {
    out->kind = DataAction::Kind::Clock;
    if (!a.contains("advance_ms") && !a.contains("wall_ms") && !a.contains("still")) {
      return w.fail("expected \"advance_ms\", \"wall_ms\" or \"still\"");
    }
    return parse_clock(a, w, &out->clock);
  }
  if (name == "relaunch") {
    out->kind = DataAction::Kind::Relaunch;
    if (auto r = only_members(a, {"pid"}, w); !r.empty()) return r;
    if (!a.contains("pid") || !parse_code(a["pid"], &out->application.pid)) {
      return w.at("pid").fail("expected a 32-bit process id");
    }
    return "";
  }
  return kNotDataAction;
}

std::string check_action(const json& action, const Where& where) {
  if (!action.contains("action") || !action["action"].is_string()) {
    return where.at("action").fail("expected the action's name");
  }
  uint64_t ids = 1;
  DataAction parsed;
  std::string r = parse_data_action(action, &ids, &parsed);
  if (r == kNotDataAction) return "";
  return r.empty() ? "" : where.fail(r);
}

void set_attributes(Node& node,
                    const std::map<std::string, RecipePtr, std::less<>>& attrs) {
  for (const auto& [name, recipe] : attrs) {
    if (recipe->kind == Recipe::Kind::Remove) {
      node.attributes.erase(name);
    } else {
      node.attributes[name] = recipe;
    }
  }
}

std::string apply(Desktop& d, DataAction& a) {
  using Kind = DataAction::Kind;
  switch (a.kind) {
    case Kind::Set: {
      NodePtr node = d.find(a.element);
      if (!node || !node->alive) return "no element \"" + a.element + "\"";
      if (a.children) {
        if (auto r = check_new_ids(d, a.collected, node->children);
            !r.empty()) {
          return "children: " + r;
        }
        size_t level = level_of(*node);
        for (const auto& child : *a.children) {
          if (level + height_of(child) > size_t{kMaxElementDepth}) {
            return "children: elements nested too deeply";
          }
        }
      }
      if (auto r = check_refs(d, a.collected); !r.empty()) return r;
      set_attributes(*node, a.attributes);
      for (const auto& [name, s] : a.settable) node->settable[name] = s;
      if (a.children) {
        for (const auto& child : node->children) d.retire(child);
        node->children.clear();
        for (const auto& n : a.collected.new_nodes) n->pid = node->pid;
        for (auto& child : *a.children) {
          child->parent = node;
          d.adopt_tree(child);
          node->children.push_back(child);
        }
      }
      return "";
    }
    case Kind::Focus:
      if (auto r = check_refs(d, a.collected); !r.empty()) return r;
      d.focus = a.focus;
      return "";
    case Kind::SecureInput:
      d.secure_input = a.on;
      return "";
    case Kind::Pasteboard:
      d.pasteboard = std::move(a.pasteboard);
      return "";
    case Kind::Windows:
      d.windows = std::move(a.windows);
      return "";
    case Kind::Application: {
      const Application* old = d.application(a.application.pid);
      std::vector<NodePtr> replaced;
      if (old && old->ui) replaced.push_back(old->ui);
      if (auto r = check_new_ids(d, a.collected, replaced);
          !r.empty()) {
        return "ui: " + r;
      }
      if (auto r = check_refs(d, a.collected); !r.empty()) return r;
      d.put_application(std::move(a.application));
      return "";
    }
    case Kind::Delay: {
      NodePtr node = d.find(a.element);
      if (!node || !node->alive) return "no element \"" + a.element + "\"";
      node->delay_ms = a.delay_ms;
      return "";
    }
    case Kind::Clock:
      apply_clock(a.clock);
      return "";
    case Kind::Relaunch:
      return relaunch(d, a.application.pid);
  }
  return kNotDataAction;
}

}  // namespace sim
