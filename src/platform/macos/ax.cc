// Accessibility requests (ApplicationServices AXUIElement). Each request but
// AXUIElementGetPid is a message to the application that owns the element;
// the system bounds it by the messaging timeout of that element, or by the
// process-wide one set on the system-wide element. Names are made into
// CFStrings per call. Anything but an element yields kIllegalArgument here,
// as the system would, without a message.
#include "platform/ax.h"

#include <ApplicationServices/ApplicationServices.h>

#include <vector>

#include "platform/macos/bridge.h"

namespace ax {
namespace {

using macos::as;

bool is_element(cf::TypeRef element) {
  return macos::is(element, AXUIElementGetTypeID());
}

// Stores a copied value: only with success, so a failed request leaves the
// slot empty whatever the system wrote.
Error adopt_into(AXError error, CFTypeRef value, cf::Ref* slot) {
  if (error == kAXErrorSuccess) {
    *slot = macos::adopt(value);
  } else if (value) {
    CFRelease(value);
  }
  return error;
}

}  // namespace

cf::Ref create_system_wide() {
  return macos::adopt(AXUIElementCreateSystemWide());
}

cf::Ref create_application(int32_t pid) {
  return macos::adopt(AXUIElementCreateApplication(static_cast<pid_t>(pid)));
}

Error set_messaging_timeout(cf::TypeRef element, float seconds) {
  if (!is_element(element)) return kIllegalArgument;
  return AXUIElementSetMessagingTimeout(as<AXUIElementRef>(element), seconds);
}

Error copy_attribute_value(cf::TypeRef element, std::string_view name,
                           cf::Ref* value) {
  value->reset();
  cf::Ref attribute = macos::name_string(name);
  if (!is_element(element) || !attribute) return kIllegalArgument;
  CFTypeRef out = nullptr;
  AXError error = AXUIElementCopyAttributeValue(
      as<AXUIElementRef>(element), as<CFStringRef>(attribute.get()), &out);
  return adopt_into(error, out, value);
}

Error copy_attribute_values(cf::TypeRef element, std::string_view name,
                            int64_t index, int64_t max_values,
                            cf::Ref* values) {
  values->reset();
  cf::Ref attribute = macos::name_string(name);
  if (!is_element(element) || !attribute) return kIllegalArgument;
  CFArrayRef out = nullptr;
  AXError error = AXUIElementCopyAttributeValues(
      as<AXUIElementRef>(element), as<CFStringRef>(attribute.get()), index,
      max_values, &out);
  return adopt_into(error, out, values);
}

Error copy_multiple_attribute_values(cf::TypeRef element,
                                     std::span<const std::string_view> names,
                                     uint32_t options, cf::Ref* values) {
  values->reset();
  if (!is_element(element)) return kIllegalArgument;
  std::vector<cf::Ref> owned;
  std::vector<cf::TypeRef> refs;
  owned.reserve(names.size());
  for (std::string_view name : names) {
    owned.push_back(macos::name_string(name));
    if (!owned.back()) return kIllegalArgument;
    refs.push_back(owned.back().get());
  }
  cf::Ref attributes = cf::array_create(refs);
  if (!attributes) return kFailure;
  CFArrayRef out = nullptr;
  AXError error = AXUIElementCopyMultipleAttributeValues(
      as<AXUIElementRef>(element), as<CFArrayRef>(attributes.get()),
      static_cast<AXCopyMultipleAttributeOptions>(options), &out);
  return adopt_into(error, out, values);
}

Error copy_parameterized_attribute_value(cf::TypeRef element,
                                         std::string_view name,
                                         cf::TypeRef parameter,
                                         cf::Ref* value) {
  value->reset();
  cf::Ref attribute = macos::name_string(name);
  if (!is_element(element) || !attribute || !parameter) return kIllegalArgument;
  CFTypeRef out = nullptr;
  AXError error = AXUIElementCopyParameterizedAttributeValue(
      as<AXUIElementRef>(element), as<CFStringRef>(attribute.get()),
      macos::cf_of(parameter), &out);
  return adopt_into(error, out, value);
}

Error is_attribute_settable(cf::TypeRef element, std::string_view name,
                            bool* settable) {
  *settable = false;
  cf::Ref attribute = macos::name_string(name);
  if (!is_element(element) || !attribute) return kIllegalArgument;
  Boolean flag = false;
  AXError error = AXUIElementIsAttributeSettable(
      as<AXUIElementRef>(element), as<CFStringRef>(attribute.get()), &flag);
  if (error == kAXErrorSuccess) *settable = flag != 0;
  return error;
}

Error get_pid(cf::TypeRef element, int32_t* pid) {
  if (!is_element(element)) return kIllegalArgument;
  pid_t owner = 0;
  AXError error = AXUIElementGetPid(as<AXUIElementRef>(element), &owner);
  if (error == kAXErrorSuccess) *pid = owner;
  return error;
}

Error set_attribute_value(cf::TypeRef element, std::string_view name,
                          cf::TypeRef value) {
  cf::Ref attribute = macos::name_string(name);
  if (!is_element(element) || !attribute || !value) return kIllegalArgument;
  return AXUIElementSetAttributeValue(as<AXUIElementRef>(element),
                                      as<CFStringRef>(attribute.get()),
                                      macos::cf_of(value));
}

}  // namespace ax
