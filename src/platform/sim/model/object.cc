// The live-object registry behind retain/release and the ownership audit.
//
// Membership in the live set is checked before an object is touched, so a
// release of a freed object is counted instead of corrupting memory.
#include "platform/sim/model/object.h"

#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/sim/model/audit.h"

namespace sim {
namespace {

struct Registry {
  std::mutex mu;
  std::unordered_set<const cf::Object*> live;
  std::unordered_set<const cf::Object*> immortal;
  std::unordered_map<const char*, int64_t> per_kind;
  int64_t over_releases = 0;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: used at exit
  return *r;
}

}  // namespace

cf::TypeRef adopt_new_raw(cf::Object* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  r.live.insert(object);
  ++r.per_kind[object->kind];
  return object;
}

cf::Ref adopt_new(cf::Object* object) { return cf::Ref(adopt_new_raw(object)); }

void make_immortal(cf::Object* object) {
  object->immortal = true;
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  r.immortal.insert(object);
}

Audit audit() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  Audit a;
  for (const auto& [kind, count] : r.per_kind) {
    if (count != 0) a.live[kind] += count;
  }
  a.over_releases = r.over_releases;
  return a;
}

}  // namespace sim

namespace cf {

TypeId get_type_id(TypeRef object) {
  return object ? object->type : TypeId::Other;
}

TypeRef retain(TypeRef object) {
  if (!object) return object;
  sim::Registry& r = sim::registry();
  std::lock_guard<std::mutex> lock(r.mu);
  if (r.live.count(object)) object->refs.fetch_add(1);
  return object;
}

// CFRelease(NULL) crashes the real framework; here it counts as an
// over-release.
void release(TypeRef object) {
  sim::Registry& r = sim::registry();
  {
    std::lock_guard<std::mutex> lock(r.mu);
    if (!object) {
      ++r.over_releases;
      return;
    }
    if (!r.live.count(object)) {
      if (!r.immortal.count(object)) ++r.over_releases;
      return;
    }
    if (object->refs.fetch_sub(1) != 1) return;
    r.live.erase(object);
    --r.per_kind[object->kind];
  }
  // Outside the lock: a container's destructor releases what it holds.
  delete object;
}

bool equal(TypeRef a, TypeRef b) {
  if (!a || !b) return false;
  if (a == b) return true;
  if (a->type != b->type) return false;
  return a->equals(*b);
}

}  // namespace cf
