// The on-screen window list (Core Graphics).
#pragma once

#include <cstdint>

#include "platform/ax.h"
#include "platform/cf.h"

namespace cg {

inline constexpr uint32_t kWindowListOptionOnScreenOnly = 1;
inline constexpr uint32_t kWindowListExcludeDesktopElements = 16;
inline constexpr uint32_t kNullWindowID = 0;

// Keys of a window description.
inline constexpr const char* kWindowNumber = "kCGWindowNumber";
inline constexpr const char* kWindowOwnerPID = "kCGWindowOwnerPID";
inline constexpr const char* kWindowOwnerName = "kCGWindowOwnerName";
inline constexpr const char* kWindowLayer = "kCGWindowLayer";
inline constexpr const char* kWindowAlpha = "kCGWindowAlpha";
inline constexpr const char* kWindowBounds = "kCGWindowBounds";

// Owned array of window description dictionaries, or null.
cf::Ref window_list_copy_window_info(uint32_t options, uint32_t relative_to);
// Reads a bounds dictionary ("X", "Y", "Width", "Height").
bool rect_make_with_dictionary_representation(cf::TypeRef dictionary,
                                              ax::Rect* rect);

}  // namespace cg
