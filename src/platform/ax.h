// Accessibility (ApplicationServices AXUIElement / AXValue).
//
// Every request to an element is a message to the application that owns it
// and may take as long as that application takes to answer, up to the
// messaging timeout. Setting the timeout on the system-wide element sets it
// for every message the process sends. Values returned through `cf::Ref*`
// out-parameters are owned by the caller.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/cf.h"

namespace ax {

using Error = int32_t;  // AXError
inline constexpr Error kSuccess = 0;
inline constexpr Error kFailure = -25200;
inline constexpr Error kIllegalArgument = -25201;
inline constexpr Error kInvalidUIElement = -25202;
inline constexpr Error kCannotComplete = -25204;
inline constexpr Error kAttributeUnsupported = -25205;
inline constexpr Error kNotImplemented = -25208;
inline constexpr Error kAPIDisabled = -25211;
inline constexpr Error kNoValue = -25212;

enum class ValueType : uint32_t {  // AXValueType
  Illegal = 0,
  CGPoint = 1,
  CGSize = 2,
  CGRect = 3,
  CFRange = 4,
  AXError = 5,
};

struct Range { int64_t location = 0; int64_t length = 0; };   // CFRange
struct Point { double x = 0; double y = 0; };                 // CGPoint
struct Size { double width = 0; double height = 0; };         // CGSize
struct Rect { double x = 0, y = 0, width = 0, height = 0; };  // CGRect

// AXValue
cf::Ref value_create_range(Range range);  // null on failure
ValueType value_get_type(cf::TypeRef value);
bool value_get_range(cf::TypeRef value, Range* out);
bool value_get_rect(cf::TypeRef value, Rect* out);
bool value_get_point(cf::TypeRef value, Point* out);
bool value_get_size(cf::TypeRef value, Size* out);
bool value_get_error(cf::TypeRef value, Error* out);

// AXUIElement
cf::Ref create_system_wide();  // never null
// The application element of process `pid` (AXUIElementCreateApplication),
// made locally without a message: a pid that has no application still gives
// an element, whose requests fail. Null only if the system gives none.
cf::Ref create_application(int32_t pid);
Error set_messaging_timeout(cf::TypeRef element, float seconds);
Error copy_attribute_value(cf::TypeRef element, std::string_view name,
                           cf::Ref* value);
Error copy_attribute_values(cf::TypeRef element, std::string_view name,
                            int64_t index, int64_t max_values, cf::Ref* values);
// One message for several attributes. The array holds one entry per name, in
// order: the value, kCFNull when there is none, or an AXValue of type AXError
// carrying that attribute's error code.
Error copy_multiple_attribute_values(cf::TypeRef element,
                                     std::span<const std::string_view> names,
                                     uint32_t options, cf::Ref* values);
Error copy_parameterized_attribute_value(cf::TypeRef element,
                                         std::string_view name,
                                         cf::TypeRef parameter, cf::Ref* value);
Error is_attribute_settable(cf::TypeRef element, std::string_view name,
                            bool* settable);
Error get_pid(cf::TypeRef element, int32_t* pid);
// AXUIElementSetAttributeValue: one message asking the application to set
// `name` to `value` (borrowed). The application decides what a set means and
// may answer an error although it acted on it.
Error set_attribute_value(cf::TypeRef element, std::string_view name,
                          cf::TypeRef value);

}  // namespace ax
