// AXValue: ranges, points, sizes, rectangles and error codes wrapped as
// platform objects. A value of another wrapped type, or not an AXValue at
// all, reads as false without touching the output.
#include <ApplicationServices/ApplicationServices.h>

#include "platform/ax.h"
#include "platform/macos/bridge.h"

namespace ax {
namespace {

static_assert(static_cast<AXValueType>(ValueType::CGPoint) == kAXValueTypeCGPoint);
static_assert(static_cast<AXValueType>(ValueType::CGSize) == kAXValueTypeCGSize);
static_assert(static_cast<AXValueType>(ValueType::CGRect) == kAXValueTypeCGRect);
static_assert(static_cast<AXValueType>(ValueType::CFRange) == kAXValueTypeCFRange);
static_assert(static_cast<AXValueType>(ValueType::AXError) == kAXValueTypeAXError);
static_assert(kSuccess == kAXErrorSuccess && kFailure == kAXErrorFailure &&
              kIllegalArgument == kAXErrorIllegalArgument &&
              kInvalidUIElement == kAXErrorInvalidUIElement &&
              kCannotComplete == kAXErrorCannotComplete &&
              kAttributeUnsupported == kAXErrorAttributeUnsupported &&
              kNotImplemented == kAXErrorNotImplemented &&
              kAPIDisabled == kAXErrorAPIDisabled && kNoValue == kAXErrorNoValue);

template <typename T>
bool get(cf::TypeRef value, AXValueType type, T* out) {
  if (!macos::is(value, AXValueGetTypeID())) return false;
  auto v = macos::as<AXValueRef>(value);
  return AXValueGetType(v) == type && AXValueGetValue(v, type, out);
}

}  // namespace

cf::Ref value_create_range(Range range) {
  CFRange r = CFRangeMake(range.location, range.length);
  return macos::adopt(AXValueCreate(kAXValueTypeCFRange, &r));
}

ValueType value_get_type(cf::TypeRef value) {
  if (!macos::is(value, AXValueGetTypeID())) return ValueType::Illegal;
  AXValueType type = AXValueGetType(macos::as<AXValueRef>(value));
  switch (type) {
    case kAXValueTypeCGPoint:
    case kAXValueTypeCGSize:
    case kAXValueTypeCGRect:
    case kAXValueTypeCFRange:
    case kAXValueTypeAXError:
      return static_cast<ValueType>(type);
    default:
      return ValueType::Illegal;
  }
}

bool value_get_range(cf::TypeRef value, Range* out) {
  CFRange r;
  if (!get(value, kAXValueTypeCFRange, &r)) return false;
  *out = {r.location, r.length};
  return true;
}

bool value_get_rect(cf::TypeRef value, Rect* out) {
  CGRect r;
  if (!get(value, kAXValueTypeCGRect, &r)) return false;
  *out = {r.origin.x, r.origin.y, r.size.width, r.size.height};
  return true;
}

bool value_get_point(cf::TypeRef value, Point* out) {
  CGPoint p;
  if (!get(value, kAXValueTypeCGPoint, &p)) return false;
  *out = {p.x, p.y};
  return true;
}

bool value_get_size(cf::TypeRef value, Size* out) {
  CGSize s;
  if (!get(value, kAXValueTypeCGSize, &s)) return false;
  *out = {s.width, s.height};
  return true;
}

bool value_get_error(cf::TypeRef value, Error* out) {
  AXError e;
  if (!get(value, kAXValueTypeAXError, &e)) return false;
  *out = e;
  return true;
}

}  // namespace ax
