// The object runtime: a handful of AppKit and Foundation classes answering
// the messages the helper sends, and per-thread autorelease pools.
#include "platform/sim/api/fault.h"
#include "platform/objc.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/library.h"
#include "platform/sim/model/clock_shift.h"
#include "platform/sim/model/state.h"
#include "platform/sim/model/value_recipe.h"
#include "platform/sim/model/values.h"
#include "platform/sim/sim.h"
#include "unicode/utf8.h"

namespace objc {
struct Selector {
  std::string name;
};
}  // namespace objc

namespace sim {
namespace {

using objc::Id;
using objc::Sel;

constexpr const char* kClassNames[] = {
    "NSObject", "NSPasteboard", "NSRunningApplication", "NSBundle", "NSURL",
    "NSString", "NSArray", "NSNumber", "NSDictionary", "NSNull",
};

struct Class final : cf::Object {
  explicit Class(const char* n) : Object(cf::TypeId::ObjcObject, "objc"), name(n) {
    make_immortal(this);
  }
  const std::string name;
};

// An AppKit or Foundation object that is not a bridged value.
struct Instance final : cf::Object {
  enum class Of { Pasteboard, RunningApplication, Url, Bundle };
  explicit Instance(Of o) : Object(cf::TypeId::ObjcObject, "objc"), of(o) {}
  const Of of;
  std::optional<std::string> bundle_id, name;
  bool has_bundle = false;
  std::optional<nlohmann::json> category;
};

const Class* find_class(std::string_view name) {
  static const auto* classes = [] {
    auto* m = new std::map<std::string, const Class*, std::less<>>;
    for (const char* n : kClassNames) (*m)[n] = new Class(n);
    return m;
  }();
  auto it = classes->find(name);
  return it == classes->end() ? nullptr : it->second;
}

bool is_class(Id receiver, const char* name) {
  const auto* c = as<Class>(receiver);
  return c && c->name == name;
}

const Instance* instance(Id receiver, Instance::Of of) {
  const auto* i = as<Instance>(receiver);
  return i && i->of == of ? i : nullptr;
}

bool is(Sel op, const char* name) { return op && op->name == name; }
std::string_view selector_name(Sel op) { return op ? op->name : std::string_view(); }

thread_local std::vector<std::vector<cf::TypeRef>> POOLS;

// Hands an owned reference to the innermost pool of this thread; with no
// pool it is never released.
Id autoreleased(cf::Ref owned) {
  cf::TypeRef p = owned.leak();
  if (p && !POOLS.empty()) POOLS.back().push_back(p);
  return p;
}

std::string class_of(Id object) {
  if (const auto* c = as<Class>(object)) return c->name;
  if (const auto* i = as<Instance>(object)) {
    switch (i->of) {
      case Instance::Of::Pasteboard: return "NSPasteboard";
      case Instance::Of::RunningApplication: return "NSRunningApplication";
      case Instance::Of::Url: return "NSURL";
      case Instance::Of::Bundle: return "NSBundle";
    }
  }
  switch (cf::get_type_id(object)) {
    case cf::TypeId::String: return "NSString";
    case cf::TypeId::Array: return "NSArray";
    case cf::TypeId::Number: return "NSNumber";
    case cf::TypeId::Dictionary: return "NSDictionary";
    case cf::TypeId::Null: return "NSNull";
    default: return "";
  }
}

Id pasteboard_types() {
  return with_desktop([](const Desktop& d) -> Id {
    if (!d.pasteboard || !d.pasteboard->has_types) return nullptr;
    std::vector<cf::Ref> items;
    for (const auto& type : d.pasteboard->types) {
      std::optional<std::u16string> units;
      if (type) units = unicode::utf8_to_utf16(*type);
      // A type without UTF-8 text: an unpaired surrogate.
      items.push_back(make_string(units ? *units : std::u16string(1, 0xD800)));
    }
    return autoreleased(make_array(std::move(items)));
  });
}

// Each lookup is logged; it takes the application's lookup delay (outside
// the lock) and finds nothing for an application that is not running.
Id running_application(int32_t pid) {
  log_effect({{"effect", "app_lookup"}, {"pid", pid}});
  double delay_ms = with_desktop([pid](const Desktop& d) {
    const Application* app = d.application(pid);
    return app ? app->lookup_delay_ms : 0.0;
  });
  wait_ms(delay_ms);
  return with_desktop([pid](const Desktop& d) -> Id {
    const Application* app = d.application(pid);
    if (!app || !app->running) return nullptr;
    auto* i = new Instance(Instance::Of::RunningApplication);
    i->bundle_id = app->bundle_id;
    i->name = app->name;
    i->has_bundle = app->has_bundle;
    i->category = app->category;
    return autoreleased(adopt_new(i));
  });
}

Id optional_string(const std::optional<std::string>& s) {
  if (!s) return nullptr;
  auto units = unicode::utf8_to_utf16(*s);
  return units ? autoreleased(make_string(std::move(*units))) : nullptr;
}

Id with_category(Instance::Of of, const Instance& from) {
  auto* i = new Instance(of);
  i->category = from.category;
  return autoreleased(adopt_new(i));
}

}  // namespace
}  // namespace sim

namespace objc {

using sim::Instance;

Id get_class(const char* name) {
  sim::Call call("objc_getClass");
  if (call.fails()) return nullptr;
  if (!name) return nullptr;
  bool appkit = sim::with_desktop([](const sim::Desktop& d) { return d.appkit; });
  return appkit ? sim::find_class(name) : nullptr;
}

Sel register_name(const char* name) {
  static std::mutex mu;
  static auto* selectors = new std::map<std::string, std::unique_ptr<Selector>>;
  std::lock_guard<std::mutex> lock(mu);
  auto& slot = (*selectors)[name ? name : ""];
  if (!slot) slot = std::make_unique<Selector>(Selector{name ? name : ""});
  return slot.get();
}

Id send(Id receiver, Sel op) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return nullptr;
  if (sim::is_class(receiver, "NSPasteboard") &&
      sim::is(op, "generalPasteboard")) {
    bool present = sim::with_desktop(
        [](const sim::Desktop& d) { return d.pasteboard.has_value(); });
    if (!present) return nullptr;
    return sim::autoreleased(
        sim::adopt_new(new Instance(Instance::Of::Pasteboard)));
  }
  if (sim::instance(receiver, Instance::Of::Pasteboard) && sim::is(op, "types")) {
    return sim::pasteboard_types();
  }
  if (const auto* app =
          sim::instance(receiver, Instance::Of::RunningApplication)) {
    if (sim::is(op, "bundleURL")) {
      return app->has_bundle ? sim::with_category(Instance::Of::Url, *app)
                             : nullptr;
    }
    if (sim::is(op, "bundleIdentifier")) return sim::optional_string(app->bundle_id);
    if (sim::is(op, "localizedName")) return sim::optional_string(app->name);
  }
  return nullptr;
}

Id send_id(Id receiver, Sel op, Id argument) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return nullptr;
  if (sim::is_class(receiver, "NSBundle") && sim::is(op, "bundleWithURL:")) {
    const auto* url = sim::instance(argument, Instance::Of::Url);
    return url ? sim::with_category(Instance::Of::Bundle, *url) : nullptr;
  }
  if (const auto* bundle = sim::instance(receiver, Instance::Of::Bundle)) {
    if (sim::is(op, "objectForInfoDictionaryKey:")) {
      const auto* key = sim::as<sim::String>(argument);
      if (!key || key->units != u"LSApplicationCategoryType" ||
          !bundle->category) {
        return nullptr;
      }
      return sim::autoreleased(sim::from_plain_json(*bundle->category));
    }
  }
  return nullptr;
}

Id send_int(Id receiver, Sel op, int32_t argument) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return nullptr;
  if (sim::is_class(receiver, "NSRunningApplication") &&
      sim::is(op, "runningApplicationWithProcessIdentifier:")) {
    return sim::running_application(argument);
  }
  return nullptr;
}

Id send_index(Id receiver, Sel op, uint64_t index) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return nullptr;
  const auto* array = sim::as<sim::Array>(receiver);
  if (!array || !sim::is(op, "objectAtIndex:") ||
      index >= array->items.size()) {
    return nullptr;
  }
  return sim::autoreleased(cf::Ref::retained(array->items[index].get()));
}

Id send_cstring(Id receiver, Sel op, const char* argument) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return nullptr;
  if (!sim::is_class(receiver, "NSString") ||
      !sim::is(op, "stringWithUTF8String:") || !argument) {
    return nullptr;
  }
  auto units = unicode::utf8_to_utf16(argument);
  return units ? sim::autoreleased(sim::make_string(std::move(*units)))
               : nullptr;
}

uint64_t send_uint(Id receiver, Sel op) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return 0;
  if (const auto* array = sim::as<sim::Array>(receiver)) {
    if (sim::is(op, "count")) return array->items.size();
  }
  if (const auto* s = sim::as<sim::String>(receiver)) {
    if (sim::is(op, "length")) return s->units.size();
  }
  return 0;
}

const char* send_utf8(Id receiver, Sel op) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return nullptr;
  const auto* s = sim::as<sim::String>(receiver);
  if (!s || !sim::is(op, "UTF8String")) return nullptr;
  return s->utf8();
}

bool send_bool_id(Id receiver, Sel op, Id argument) {
  sim::Call call(sim::selector_name(op));
  if (call.fails()) return false;
  if (!receiver || !sim::is(op, "isKindOfClass:")) return false;
  const auto* c = sim::as<sim::Class>(argument);
  if (!c) return false;
  if (c->name == "NSObject") return true;
  return sim::class_of(receiver) == c->name;
}

Id retain(Id object) { return cf::retain(object); }

// objc_release; nil counts as an ownership fault in the audit, as a null
// release does on the Core Foundation side.
void release(Id object) { cf::release(object); }

void* autorelease_pool_push() {
  sim::POOLS.emplace_back();
  return reinterpret_cast<void*>(sim::POOLS.size());
}

void autorelease_pool_pop(void* pool) {
  size_t depth = reinterpret_cast<size_t>(pool);
  if (depth == 0 || depth > sim::POOLS.size()) return;
  while (sim::POOLS.size() >= depth) {
    std::vector<cf::TypeRef> objects = std::move(sim::POOLS.back());
    sim::POOLS.pop_back();
    for (cf::TypeRef o : objects) cf::release(o);
  }
}

}  // namespace objc
