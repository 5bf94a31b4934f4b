// The simulated desktop's platform objects. Every cf::TypeRef handed out by
// the layer points at a cf::Object: a type, an audit kind name and a
// reference count. Objects are made with one reference owned by the maker
// and registered with the ownership audit by adopt_new; the last release
// deletes them. A release of an object that is not alive counts as an
// over-release and touches nothing; so does a release of null.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/cf.h"

namespace cf {

struct Object {
  // `kind` names the object in the audit ("event", "mach_port", ...); it must
  // be a string literal (it is kept, not copied).
  Object(TypeId type_id, const char* kind_name)
      : type(type_id), kind(kind_name) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // CFEqual against an object of the same type. Identity unless overridden.
  virtual bool equals(const Object& other) const { return this == &other; }

  const TypeId type;
  const char* const kind;
  // Immortal objects (kCFNull, the booleans, classes) ignore retain/release
  // and are not counted.
  bool immortal = false;
  mutable std::atomic<int64_t> refs{1};
};

}  // namespace cf

namespace sim {

// Takes a freshly made object (refs == 1) into the audit and returns the
// caller's owned reference to it.
cf::Ref adopt_new(cf::Object* object);

// Same, as a raw owned reference (for out-parameters and C-style returns).
cf::TypeRef adopt_new_raw(cf::Object* object);

// Marks a never-freed object (a singleton or class) as immortal: retain and
// release leave it alone and the audit does not count it.
void make_immortal(cf::Object* object);

// The object behind a reference, typed; null when `ref` is null or of another
// type. Never retains.
template <typename T>
const T* as(cf::TypeRef ref) {
  return ref ? dynamic_cast<const T*>(ref) : nullptr;
}

}  // namespace sim
