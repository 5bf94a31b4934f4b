// The on-screen window list (Core Graphics). The system snapshots the list
// when asked; reading the owner name needs no permission, window titles
// (not read here) need screen recording.
#include "platform/cg_window.h"

#include <ApplicationServices/ApplicationServices.h>

#include "platform/macos/bridge.h"

namespace cg {

static_assert(kWindowListOptionOnScreenOnly == kCGWindowListOptionOnScreenOnly);
static_assert(kWindowListExcludeDesktopElements ==
              kCGWindowListExcludeDesktopElements);
static_assert(kNullWindowID == kCGNullWindowID);

cf::Ref window_list_copy_window_info(uint32_t options, uint32_t relative_to) {
  return macos::adopt(CGWindowListCopyWindowInfo(
      static_cast<CGWindowListOption>(options),
      static_cast<CGWindowID>(relative_to)));
}

bool rect_make_with_dictionary_representation(cf::TypeRef dictionary,
                                              ax::Rect* rect) {
  if (!macos::is(dictionary, CFDictionaryGetTypeID())) return false;
  CGRect r;
  if (!CGRectMakeWithDictionaryRepresentation(
          macos::as<CFDictionaryRef>(dictionary), &r)) {
    return false;
  }
  *rect = {r.origin.x, r.origin.y, r.size.width, r.size.height};
  return true;
}

}  // namespace cg
