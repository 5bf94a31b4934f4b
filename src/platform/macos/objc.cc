// The Objective-C runtime (libobjc): classes, selectors, messages and
// autorelease pools.
//
// objc_msgSend is called through a function type of each message's exact
// signature; none returns a structure or a floating-point value, so the plain
// entry serves on arm64 and x86_64 alike. A message the receiver does not
// answer is not sent (it would raise an exception that nothing here may let
// through): it answers nil, 0 or false, as a message to nil does. Messages
// that the receiver answers can still raise (objectAtIndex: past the end):
// the callers keep to the receiver's contract.
//
// Autorelease pools are NSAutoreleasePool objects, the public face of the
// runtime's pool stack, which is per thread. Foundation, their home, is
// loaded when the first pool is pushed.
#include "platform/objc.h"

#include <CoreFoundation/CoreFoundation.h>
#include <dlfcn.h>
#include <objc/NSObjCRuntime.h>
#include <objc/message.h>
#include <objc/runtime.h>

#include <mutex>

namespace objc {
namespace {

constexpr const char* kFoundation =
    "/System/Library/Frameworks/Foundation.framework/Foundation";

id object_of(Id object) {
  return reinterpret_cast<id>(const_cast<cf::Object*>(object));
}
Id id_of(id object) { return reinterpret_cast<Id>(object); }
SEL sel_of(Sel op) { return reinterpret_cast<SEL>(const_cast<Selector*>(op)); }

bool answers(Id receiver, Sel op) {
  return receiver && op &&
         class_respondsToSelector(object_getClass(object_of(receiver)), sel_of(op));
}

template <typename R, typename... Args>
R message(Id receiver, Sel op, Args... args) {
  // Through void (*)(): whichever prototype the SDK gives objc_msgSend, the
  // cast to the message's own type is then one the compiler accepts.
  using Send = R (*)(id, SEL, Args...);
  auto entry = reinterpret_cast<void (*)()>(&objc_msgSend);
  return reinterpret_cast<Send>(entry)(object_of(receiver), sel_of(op), args...);
}

struct Pools {
  Id pool_class = nullptr;
  Sel alloc = nullptr, init = nullptr, drain = nullptr;
};

const Pools& pools() {
  static std::once_flag once;
  static Pools p;
  std::call_once(once, [] {
    dlopen(kFoundation, RTLD_LAZY);  // never closed
    p.pool_class = get_class("NSAutoreleasePool");
    p.alloc = register_name("alloc");
    p.init = register_name("init");
    p.drain = register_name("drain");
  });
  return p;
}

}  // namespace

Id get_class(const char* name) {
  return name ? id_of(reinterpret_cast<id>(objc_getClass(name))) : nullptr;
}

Sel register_name(const char* name) {
  return reinterpret_cast<Sel>(sel_registerName(name ? name : ""));
}

Id send(Id receiver, Sel op) {
  return answers(receiver, op) ? id_of(message<id>(receiver, op)) : nullptr;
}

Id send_id(Id receiver, Sel op, Id argument) {
  if (!answers(receiver, op)) return nullptr;
  return id_of(message<id>(receiver, op, object_of(argument)));
}

Id send_int(Id receiver, Sel op, int32_t argument) {
  if (!answers(receiver, op)) return nullptr;
  return id_of(message<id>(receiver, op, static_cast<int>(argument)));
}

Id send_index(Id receiver, Sel op, uint64_t index) {
  if (!answers(receiver, op)) return nullptr;
  return id_of(message<id>(receiver, op, static_cast<NSUInteger>(index)));
}

Id send_cstring(Id receiver, Sel op, const char* argument) {
  if (!answers(receiver, op)) return nullptr;
  return id_of(message<id>(receiver, op, argument));
}

uint64_t send_uint(Id receiver, Sel op) {
  return answers(receiver, op) ? message<NSUInteger>(receiver, op) : 0;
}

const char* send_utf8(Id receiver, Sel op) {
  return answers(receiver, op) ? message<const char*>(receiver, op) : nullptr;
}

bool send_bool_id(Id receiver, Sel op, Id argument) {
  if (!answers(receiver, op)) return false;
  return message<BOOL>(receiver, op, object_of(argument));
}

Id retain(Id object) {
  if (object) CFRetain(static_cast<CFTypeRef>(object));
  return object;
}

void release(Id object) {
  if (object) CFRelease(static_cast<CFTypeRef>(object));
}

void* autorelease_pool_push() {
  const Pools& p = pools();
  if (!p.pool_class) return nullptr;
  Id pool = send(send(p.pool_class, p.alloc), p.init);
  return const_cast<cf::Object*>(pool);
}

// Draining a pool also drains every pool pushed after it on this thread.
void autorelease_pool_pop(void* pool) {
  if (pool) message<void>(static_cast<Id>(pool), pools().drain);
}

}  // namespace objc
