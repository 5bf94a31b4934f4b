// Accessibility requests. Each request is one message to the element's
// application: it takes the element's delay, bounded by the messaging
// timeout in force, and is answered from the desktop as it is by then.
#include "platform/ax.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cmath>

#include "platform/sim/api/fault.h"
#include "platform/sim/model/app_accessibility.h"
#include "platform/sim/model/clock_shift.h"
#include "platform/sim/model/element.h"
#include "platform/sim/model/state.h"
#include "platform/sim/model/values.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

constexpr ax::Error kParameterizedAttributeUnsupported = -25213;

struct Outcome {
  ax::Error error = ax::kSuccess;
  cf::Ref value;  // may be null on success: no value
};

ElementMaker maker(const Desktop& d) {
  return [&d](const std::string& id) { return make_element(d, id); };
}

// The double whose shortest form reads like the float's (0.25f, 0.012f).
double shortest(float seconds) {
  char text[32];
  auto end = std::to_chars(text, text + sizeof text - 1, seconds).ptr;
  *end = '\0';
  return std::strtod(text, nullptr);
}

Outcome from_recipe(const Desktop& d, const Recipe& recipe) {
  if (recipe.kind == Recipe::Kind::ReadError) return {recipe.code, cf::Ref()};
  if (recipe.kind == Recipe::Kind::NoValue) return {};
  return {ax::kSuccess, materialize(recipe, maker(d))};
}

const Recipe* text_value(const Node& node) {
  auto it = node.attributes.find("AXValue");
  if (it == node.attributes.end() || it->second->kind != Recipe::Kind::String) {
    return nullptr;
  }
  return it->second.get();
}

bool is_window(const Node& node) {
  auto it = node.attributes.find("AXRole");
  return it != node.attributes.end() &&
         it->second->kind == Recipe::Kind::String &&
         it->second->text == u"AXWindow";
}

Outcome system_wide_attribute(const Desktop& d, std::string_view name) {
  if (auto it = d.system_wide.find(name); it != d.system_wide.end()) {
    return from_recipe(d, *it->second);
  }
  if (name == "AXFocusedUIElement") {
    if (!d.focus) return {ax::kNoValue, cf::Ref()};
    if (NodePtr focused = d.find(*d.focus)) {
      NodePtr reported = reported_focus(d, focused);
      if (!reported) return {ax::kNoValue, cf::Ref()};
      return {ax::kSuccess, element_ref(reported)};
    }
    return {ax::kSuccess, make_element(d, *d.focus)};
  }
  return {ax::kAttributeUnsupported, cf::Ref()};
}

Outcome attribute(const Desktop& d, const NodePtr& node,
                  std::string_view name) {
  if (!node) return system_wide_attribute(d, name);
  if (auto flag = read_on_request(d, *node, name)) {
    if (flag->error != ax::kSuccess) return {flag->error, cf::Ref()};
    return {ax::kSuccess, cf::Ref::retained(cf::boolean_value(flag->value))};
  }
  if (auto it = node->attributes.find(name); it != node->attributes.end()) {
    return from_recipe(d, *it->second);
  }
  if (name == "AXChildren" || name == "AXVisibleChildren") {
    std::vector<cf::Ref> items;
    items.reserve(node->children.size());
    for (const auto& child : node->children) {
      if (shown(d, *child)) items.push_back(element_ref(child));
    }
    return {ax::kSuccess, make_array(std::move(items))};
  }
  if (name == "AXParent") {
    NodePtr parent = node->parent.lock();
    if (!parent) return {ax::kNoValue, cf::Ref()};
    return {ax::kSuccess, element_ref(parent)};
  }
  if (name == "AXNumberOfCharacters") {
    if (const Recipe* text = text_value(*node)) {
      return {ax::kSuccess,
              cf::number_create_i64(static_cast<int64_t>(text->text.size()))};
    }
  }
  if (name == "AXWindow") {
    for (NodePtr n = node; n; n = n->parent.lock()) {
      if (is_window(*n)) return {ax::kSuccess, element_ref(n)};
    }
    return {ax::kNoValue, cf::Ref()};
  }
  return {ax::kAttributeUnsupported, cf::Ref()};
}

// The element's own delay, else its application's.
double delay_of(const Desktop& d, const Node& node) {
  if (node.delay_ms) return *node.delay_ms;
  const Application* app = d.application(node.pid);
  return app ? app->delay_ms : 0;
}

// One message to `element`: the wait, then `answer(desktop, node)` under the
// lock.
template <typename F>
ax::Error message(cf::TypeRef element, F&& answer) {
  const Element* e = as<Element>(element);
  if (!e) return ax::kIllegalArgument;
  double delay_ms = 0;
  {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.desktop->permissions.accessibility) return ax::kAPIDisabled;
    if (e->node && !reachable(*s.desktop, *e->node)) return ax::kInvalidUIElement;
    delay_ms = e->node ? delay_of(*s.desktop, *e->node)
                       : s.desktop->system_wide_delay_ms;
  }
  if (delay_ms > 0) {
    float own = e->timeout.load();
    double timeout_ms = 1000.0 * (own > 0 ? own : messaging_timeout());
    if (delay_ms > timeout_ms) {
      wait_ms(timeout_ms);
      return ax::kCannotComplete;
    }
    wait_ms(delay_ms);
  }
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  if (e->node && !reachable(*s.desktop, *e->node)) return ax::kInvalidUIElement;
  return answer(*s.desktop, e->node);
}

}  // namespace

}  // namespace sim

namespace ax {

using sim::Desktop;
using sim::NodePtr;
using sim::Outcome;

cf::Ref create_system_wide() {
  sim::ensure_loaded();
  return sim::element_ref(nullptr);
}

// The root of the application's tree. Any other pid gives an element that
// answers kAXErrorInvalidUIElement, as a process without an application
// would.
cf::Ref create_application(int32_t pid) {
  sim::Call call("AXUIElementCreateApplication");
  if (call.fails()) return {};
  return sim::with_desktop([&](const Desktop& d) {
    const sim::Application* app = d.application(pid);
    if (app && app->ui) return sim::element_ref(app->ui);
    auto none = std::make_shared<sim::Node>();
    none->pid = pid;
    none->alive = false;
    return sim::element_ref(none);
  });
}

Error set_messaging_timeout(cf::TypeRef element, float seconds) {
  sim::Call call("AXUIElementSetMessagingTimeout");
  if (call.fails()) return call.error();
  const auto* e = sim::as<sim::Element>(element);
  if (!e || !(seconds >= 0) || std::isinf(seconds)) return kIllegalArgument;
  if (e->node) {
    bool alive = sim::with_desktop([&](const Desktop&) { return e->node->alive; });
    if (!alive) return kInvalidUIElement;
    e->timeout.store(seconds);
  } else {
    sim::set_messaging_timeout(seconds);
  }
  if (sim::log_enabled()) {
    sim::log_effect({{"effect", "messaging_timeout"},
                     {"element", e->node ? e->node->id : "system_wide"},
                     {"seconds", sim::shortest(seconds)}});
  }
  return kSuccess;
}

Error copy_attribute_value(cf::TypeRef element, std::string_view name,
                           cf::Ref* value) {
  sim::Call call("AXUIElementCopyAttributeValue", name);
  value->reset();
  if (call.fails()) return call.error();
  return sim::message(element, [&](const Desktop& d, const NodePtr& node) {
    Outcome o = sim::attribute(d, node, name);
    if (o.error == kSuccess) *value = std::move(o.value);
    return o.error;
  });
}

Error copy_attribute_values(cf::TypeRef element, std::string_view name,
                            int64_t index, int64_t max_values,
                            cf::Ref* values) {
  sim::Call call("AXUIElementCopyAttributeValues", name);
  values->reset();
  if (call.fails()) return call.error();
  return sim::message(element, [&](const Desktop& d, const NodePtr& node) {
    Outcome o = sim::attribute(d, node, name);
    if (o.error != kSuccess) return o.error;
    const auto* array = sim::as<sim::Array>(o.value.get());
    if (!array) return kIllegalArgument;
    int64_t count = static_cast<int64_t>(array->items.size());
    if (index < 0 || max_values < 1 || index > count) return kIllegalArgument;
    int64_t end = index + std::min(max_values, count - index);
    std::vector<cf::Ref> slice;
    for (int64_t k = index; k < end; ++k) {
      slice.push_back(cf::Ref::retained(array->items[k].get()));
    }
    *values = sim::make_array(std::move(slice));
    return kSuccess;
  });
}

Error copy_multiple_attribute_values(cf::TypeRef element,
                                     std::span<const std::string_view> names,
                                     uint32_t options, cf::Ref* values) {
  constexpr uint32_t kStopOnError = 1;
  sim::Call call("AXUIElementCopyMultipleAttributeValues", names);
  values->reset();
  if (call.fails()) return call.error();
  return sim::message(element, [&](const Desktop& d, const NodePtr& node) {
    if (node && node->multiple_error) return node->multiple_error;
    if (node && node->multiple_no_array) return kSuccess;
    size_t n = names.size();
    if (node && node->multiple_count) n = std::min(n, *node->multiple_count);
    std::vector<cf::Ref> entries;
    entries.reserve(n);
    for (size_t k = 0; k < n; ++k) {
      Outcome o = sim::attribute(d, node, names[k]);
      if (o.error != kSuccess) {
        if (options & kStopOnError) return o.error;
        sim::AxValue v;
        v.value_type = ValueType::AXError;
        v.error = o.error;
        entries.push_back(sim::make_ax_value(v));
      } else if (!o.value) {
        entries.emplace_back(cf::null_value());
      } else {
        entries.push_back(std::move(o.value));
      }
    }
    *values = sim::make_array(std::move(entries));
    return kSuccess;
  });
}

Error copy_parameterized_attribute_value(cf::TypeRef element,
                                         std::string_view name,
                                         cf::TypeRef parameter,
                                         cf::Ref* value) {
  sim::Call call("AXUIElementCopyParameterizedAttributeValue", name);
  value->reset();
  if (call.fails()) return call.error();
  return sim::message(element, [&](const Desktop& d, const NodePtr& node) {
    if (!node || name != "AXStringForRange") {
      return sim::kParameterizedAttributeUnsupported;
    }
    Range range;
    if (!value_get_range(parameter, &range)) return kIllegalArgument;
    if (node->string_for_range) {
      Outcome o = sim::from_recipe(d, *node->string_for_range);
      if (o.error == kSuccess) *value = std::move(o.value);
      return o.error;
    }
    const sim::Recipe* text = sim::text_value(*node);
    if (!text) return sim::kParameterizedAttributeUnsupported;
    int64_t size = static_cast<int64_t>(text->text.size());
    if (range.location < 0 || range.length < 0 || range.location > size ||
        range.length > size - range.location) {
      return kIllegalArgument;
    }
    *value = sim::make_string(text->text.substr(
        static_cast<size_t>(range.location), static_cast<size_t>(range.length)));
    return kSuccess;
  });
}

Error is_attribute_settable(cf::TypeRef element, std::string_view name,
                            bool* settable) {
  sim::Call call("AXUIElementIsAttributeSettable", name);
  *settable = false;
  if (call.fails()) return call.error();
  return sim::message(element, [&](const Desktop&, const NodePtr& node) {
    if (!node) return kSuccess;
    auto it = node->settable.find(name);
    if (it == node->settable.end()) return kSuccess;
    if (it->second.error != 0) return it->second.error;
    *settable = it->second.settable;
    return kSuccess;
  });
}

Error get_pid(cf::TypeRef element, int32_t* pid) {
  sim::Call call("AXUIElementGetPid");
  if (call.fails()) return call.error();
  const auto* e = sim::as<sim::Element>(element);
  if (!e || !e->node) return kIllegalArgument;
  return sim::with_desktop([&](const Desktop& d) {
    if (!sim::reachable(d, *e->node)) return kInvalidUIElement;
    if (e->node->pid_error) return *e->node->pid_error;
    *pid = e->node->pid;
    return kSuccess;
  });
}

// Every set that reaches an element is logged, answered or not.
Error set_attribute_value(cf::TypeRef element, std::string_view name,
                          cf::TypeRef value) {
  sim::Call call("AXUIElementSetAttributeValue", name);
  if (call.fails()) return call.error();
  const auto* e = sim::as<sim::Element>(element);
  if (!e || !value) return kIllegalArgument;
  std::optional<bool> flag;
  if (cf::get_type_id(value) == cf::TypeId::Boolean) {
    flag = cf::equal(value, cf::boolean_value(true));
  }
  Error error = sim::message(element, [&](Desktop& d, const NodePtr& node) {
    return sim::set_on_request(d, node.get(), name, flag);
  });
  if (sim::log_enabled()) {
    nlohmann::json pid = e->node ? nlohmann::json(e->node->pid) : nlohmann::json();
    sim::log_effect({{"effect", "ax_set"},
                     {"pid", pid},
                     {"attribute", name},
                     {"value", flag ? nlohmann::json(*flag) : nlohmann::json()}});
  }
  return error;
}

}  // namespace ax
