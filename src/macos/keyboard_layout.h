// The current keyboard layout, reached through Carbon's text input sources,
// and the search for the key that types V.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/cf.h"
#include "platform/library.h"

namespace frontmost::platform::tis {

// The Carbon functions and constant needed to read the current layout.
// Process-wide; exists only when all five were found.
struct Carbon {
  ::carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn copy_source;
  ::carbon::TISGetInputSourcePropertyFn get_property;
  ::carbon::LMGetKbdTypeFn keyboard_type;
  ::carbon::UCKeyTranslateFn translate;
  cf::TypeRef layout_data_key;  // kTISPropertyUnicodeKeyLayoutData, borrowed
};

// Loaded on the first call from any thread; the outcome, present or absent,
// lasts for the life of the process and the library is never closed.
const Carbon* carbon();

// The key code (0..127) that the current ASCII-capable layout reads as V
// while Command is held; the layout's plain layer decides only when no code
// gives V with Command. The lowest qualifying code wins; a code giving "V"
// counts as one giving "v". Nothing when the table, the input source or its
// layout data is unavailable, or no code gives V.
std::optional<uint16_t> command_v_key();

}  // namespace frontmost::platform::tis
