// Frameworks opened at run time (dlopen/dlsym) and the signatures of the
// Carbon functions looked up in them.
#pragma once

#include <cstdint>

#include "platform/cf.h"

namespace dl {
inline constexpr int kLazy = 1;  // RTLD_LAZY
// Handles are never closed. Null when the library cannot be opened.
void* open(const char* path, int mode);
// Null when the name is missing. For a data symbol, the address of the data.
void* symbol(void* handle, const char* name);
}  // namespace dl

namespace carbon {
inline constexpr const char* kPath =
    "/System/Library/Frameworks/Carbon.framework/Carbon";

using IsSecureEventInputEnabledFn = uint8_t (*)();
// Owned input source, or null.
using TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn = cf::TypeRef (*)();
// Borrowed property value, or null.
using TISGetInputSourcePropertyFn = cf::TypeRef (*)(cf::TypeRef source,
                                                     cf::TypeRef key);
using LMGetKbdTypeFn = uint8_t (*)();
using UCKeyTranslateFn = int32_t (*)(const void* layout, uint16_t keycode,
                                     uint16_t action, uint32_t modifier_state,
                                     uint32_t keyboard_type, uint32_t options,
                                     uint32_t* dead_key_state,
                                     uint64_t max_length, uint64_t* length,
                                     char16_t* units);
// "kTISPropertyUnicodeKeyLayoutData" is a data symbol holding a cf::TypeRef.

inline constexpr uint16_t kUCKeyActionDisplay = 3;
inline constexpr uint32_t kUCKeyTranslateNoDeadKeysMask = 1;
// Modifier states for UCKeyTranslate: (EventRecord modifiers >> 8) & 0xFF.
inline constexpr uint32_t kModifierNone = 0;
inline constexpr uint32_t kModifierCommand = 1;   // cmdKey >> 8
inline constexpr uint32_t kModifierShift = 2;     // shiftKey >> 8
}  // namespace carbon

namespace appkit {
inline constexpr const char* kPath =
    "/System/Library/Frameworks/AppKit.framework/AppKit";
}  // namespace appkit

namespace coregraphics {
inline constexpr const char* kPath =
    "/System/Library/Frameworks/CoreGraphics.framework/CoreGraphics";
// Looked up at run time by the end-to-end driver (src/e2e) only.
using CGPreflightListenEventAccessFn = bool (*)();  // Input Monitoring granted
using CGEventSetTypeFn = void (*)(cf::TypeRef event, uint32_t type);
}  // namespace coregraphics
