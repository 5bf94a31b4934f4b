// Platform objects (Core Foundation): reference counting, type tests and the
// value kinds that other applications hand us.
//
// Ownership follows the platform: an operation named create/copy (and every
// operation documented "owned") gives the caller one reference, which must be
// given back exactly once; get operations borrow. `cf::Ref` holds one owned
// reference and releases it when it goes away. All functions are safe to call
// from any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace cf {

struct Object;                    // opaque
using TypeRef = const Object*;    // CFTypeRef

// CFGetTypeID results that callers test against.
enum class TypeId : uint32_t {
  String = 1,
  Number,
  Boolean,
  Null,
  Array,
  Dictionary,
  Data,
  AXValue,        // AXValueGetTypeID
  AXUIElement,    // AXUIElementGetTypeID
  MachPort,       // an event tap
  RunLoopSource,
  Event,          // CGEventRef
  EventSource,    // CGEventSourceRef
  InputSource,    // TISInputSourceRef
  ObjcObject,     // any other object of the object runtime
  Other,
};

TypeId get_type_id(TypeRef object);
TypeRef retain(TypeRef object);   // returns object
void release(TypeRef object);     // object must not be null
bool equal(TypeRef a, TypeRef b); // CFEqual; false when either is null

// One owned reference (or none).
class Ref {
 public:
  Ref() = default;
  explicit Ref(TypeRef owned) : p_(owned) {}  // adopts a reference
  static Ref retained(TypeRef borrowed) {     // takes a new reference
    return Ref(borrowed ? retain(borrowed) : nullptr);
  }
  Ref(Ref&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { reset(); }

  TypeRef get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up ownership without releasing.
  TypeRef leak() {
    TypeRef p = p_;
    p_ = nullptr;
    return p;
  }
  void reset() {
    if (p_) release(p_);
    p_ = nullptr;
  }
  // For copy operations that fill an out-parameter: drops what is held and
  // returns the slot to fill with an owned reference.
  TypeRef* out() {
    reset();
    return &p_;
  }

 private:
  TypeRef p_ = nullptr;
};

// Strings hold UTF-16 code units; unpaired surrogates can occur.
Ref string_create(std::string_view utf8);            // null if not UTF-8
Ref string_create_utf16(std::u16string_view units);
std::u16string string_units(TypeRef string);          // CFStringGetCharacters
int64_t string_length(TypeRef string);                // CFStringGetLength; 0 if not a string
// The units [start, start + count) clamped to the string (CFStringGetCharacters
// of a range): reads no more of a long string than asked.
std::u16string string_units(TypeRef string, int64_t start, int64_t count);

// Numbers are stored either as a signed 64-bit integer or as a double.
Ref number_create_i64(int64_t value);
Ref number_create_f64(double value);
// CFNumberGetValue(kCFNumberSInt64Type): false when the stored value does not
// convert exactly (a fraction, out of range, not finite); *out still gets the
// truncated value where one exists.
bool number_get_i64(TypeRef number, int64_t* out);
// CFNumberGetValue(kCFNumberFloat64Type): false when an integer is not exactly
// representable as a double; *out still gets the nearest value.
bool number_get_f64(TypeRef number, double* out);

TypeRef null_value();            // kCFNull; borrowed, never released
TypeRef boolean_value(bool v);   // kCFBooleanTrue/False; borrowed

// Arrays retain what they hold.
Ref array_create(std::span<const TypeRef> values);
int64_t array_count(TypeRef array);
TypeRef array_get(TypeRef array, int64_t index);  // borrowed; index < count

// Dictionaries keyed by strings (CFDictionaryGetValue with a CFString key).
TypeRef dictionary_get(TypeRef dictionary, std::string_view key);  // borrowed

// CFDataGetBytePtr / CFDataGetLength.
const uint8_t* data_bytes(TypeRef data);
int64_t data_length(TypeRef data);

}  // namespace cf
