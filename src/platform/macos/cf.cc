// Core Foundation objects: type tests, reference counting and the value
// kinds other than strings (cf_string.cc).
#include "platform/cf.h"

#include <ApplicationServices/ApplicationServices.h>
#include <dlfcn.h>

#include <atomic>
#include <vector>

#include "platform/library.h"
#include "platform/macos/bridge.h"

namespace macos {
namespace {

// The type identifiers the callers test for, read once; they do not change
// while the process runs.
struct Known {
  CFTypeID id;
  cf::TypeId type;
};

const std::vector<Known>& known_types() {
  static const auto* known = new std::vector<Known>{
      {CFStringGetTypeID(), cf::TypeId::String},
      {CFNumberGetTypeID(), cf::TypeId::Number},
      {CFBooleanGetTypeID(), cf::TypeId::Boolean},
      {CFNullGetTypeID(), cf::TypeId::Null},
      {CFArrayGetTypeID(), cf::TypeId::Array},
      {CFDictionaryGetTypeID(), cf::TypeId::Dictionary},
      {CFDataGetTypeID(), cf::TypeId::Data},
      {AXValueGetTypeID(), cf::TypeId::AXValue},
      {AXUIElementGetTypeID(), cf::TypeId::AXUIElement},
      {CFMachPortGetTypeID(), cf::TypeId::MachPort},
      {CFRunLoopSourceGetTypeID(), cf::TypeId::RunLoopSource},
      {CGEventGetTypeID(), cf::TypeId::Event},
      {CGEventSourceGetTypeID(), cf::TypeId::EventSource},
  };
  return *known;
}

// TISInputSourceGetTypeID lives in Carbon, which is opened at run time only
// when the keyboard layout is needed; an input source can only exist once it
// has been. Looked up (without loading anything) until found, then kept.
constexpr CFTypeID kUnknown = 0;  // _kCFRuntimeNotATypeID
std::atomic<CFTypeID> INPUT_SOURCE{kUnknown};

CFTypeID input_source_type() {
  CFTypeID id = INPUT_SOURCE.load(std::memory_order_relaxed);
  if (id != kUnknown) return id;
  void* carbon = dlopen(carbon::kPath, RTLD_LAZY | RTLD_NOLOAD);
  if (!carbon) return kUnknown;
  using GetTypeId = CFTypeID (*)();
  auto get = reinterpret_cast<GetTypeId>(dlsym(carbon, "TISInputSourceGetTypeID"));
  dlclose(carbon);  // drops only the reference NOLOAD took
  if (!get) return kUnknown;
  id = get();
  INPUT_SOURCE.store(id, std::memory_order_relaxed);
  return id;
}

}  // namespace
}  // namespace macos

namespace cf {

using macos::as;
using macos::cf_of;

// Every object the system hands out is also an object of the object
// runtime; one of none of the listed types counts as ObjcObject.
TypeId get_type_id(TypeRef object) {
  if (!object) return TypeId::Other;
  CFTypeID id = CFGetTypeID(cf_of(object));
  for (const macos::Known& k : macos::known_types()) {
    if (k.id == id) return k.type;
  }
  if (id == macos::input_source_type()) return TypeId::InputSource;
  return TypeId::ObjcObject;
}

TypeRef retain(TypeRef object) {
  if (object) CFRetain(cf_of(object));
  return object;
}

void release(TypeRef object) {
  if (object) CFRelease(cf_of(object));
}

bool equal(TypeRef a, TypeRef b) {
  return a && b && CFEqual(cf_of(a), cf_of(b));
}

Ref number_create_i64(int64_t value) {
  return macos::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &value));
}

Ref number_create_f64(double value) {
  return macos::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &value));
}

bool number_get_i64(TypeRef number, int64_t* out) {
  if (!macos::is(number, CFNumberGetTypeID())) return false;
  return CFNumberGetValue(as<CFNumberRef>(number), kCFNumberSInt64Type, out);
}

bool number_get_f64(TypeRef number, double* out) {
  if (!macos::is(number, CFNumberGetTypeID())) return false;
  return CFNumberGetValue(as<CFNumberRef>(number), kCFNumberFloat64Type, out);
}

TypeRef null_value() { return macos::ref_of(kCFNull); }

TypeRef boolean_value(bool v) {
  return macos::ref_of(v ? kCFBooleanTrue : kCFBooleanFalse);
}

Ref array_create(std::span<const TypeRef> values) {
  std::vector<CFTypeRef> items(values.begin(), values.end());
  return macos::adopt(CFArrayCreate(kCFAllocatorDefault, items.data(),
                                    static_cast<CFIndex>(items.size()),
                                    &kCFTypeArrayCallBacks));
}

int64_t array_count(TypeRef array) {
  if (!macos::is(array, CFArrayGetTypeID())) return 0;
  return CFArrayGetCount(as<CFArrayRef>(array));
}

TypeRef array_get(TypeRef array, int64_t index) {
  if (index < 0 || index >= array_count(array)) return nullptr;
  return macos::ref_of(CFArrayGetValueAtIndex(as<CFArrayRef>(array), index));
}

TypeRef dictionary_get(TypeRef dictionary, std::string_view key) {
  if (!macos::is(dictionary, CFDictionaryGetTypeID())) return nullptr;
  Ref name = macos::name_string(key);
  if (!name) return nullptr;
  return macos::ref_of(
      CFDictionaryGetValue(as<CFDictionaryRef>(dictionary), cf_of(name.get())));
}

const uint8_t* data_bytes(TypeRef data) {
  if (!macos::is(data, CFDataGetTypeID())) return nullptr;
  return CFDataGetBytePtr(as<CFDataRef>(data));
}

int64_t data_length(TypeRef data) {
  if (!macos::is(data, CFDataGetTypeID())) return 0;
  return CFDataGetLength(as<CFDataRef>(data));
}

}  // namespace cf
