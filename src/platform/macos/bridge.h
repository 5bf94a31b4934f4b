// Conversions between the platform headers' opaque references and the
// system's own types. A cf::TypeRef is a CFTypeRef under another name: the
// same pointer, never wrapped, so ownership carries over unchanged.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string_view>

#include "platform/cf.h"

namespace macos {

inline CFTypeRef cf_of(cf::TypeRef ref) { return static_cast<CFTypeRef>(ref); }

template <typename T>
T as(cf::TypeRef ref) {  // CFStringRef, CFArrayRef, AXUIElementRef, ...
  return static_cast<T>(const_cast<void*>(cf_of(ref)));
}

inline cf::TypeRef ref_of(CFTypeRef object) {
  return static_cast<cf::TypeRef>(object);
}

// Adopts a reference the system handed over (a Create or Copy result).
inline cf::Ref adopt(CFTypeRef owned) { return cf::Ref(ref_of(owned)); }

// Whether `ref` is non-null and of the Core Foundation type `type`.
inline bool is(cf::TypeRef ref, CFTypeID type) {
  return ref && CFGetTypeID(cf_of(ref)) == type;
}

// An owned CFString of ASCII or UTF-8 bytes (attribute and key names), or
// null when they are not UTF-8.
cf::Ref name_string(std::string_view utf8);

}  // namespace macos
