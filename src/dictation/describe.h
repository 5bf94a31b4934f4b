// The payload of a key event line: what kind of event, the modifier flags,
// the source process and, for modifier changes only, the key code. Ordinary
// keys are never named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "json/value.h"
#include "platform/cf.h"

namespace dictation {

// "0x" and lower-case hexadecimal digits without leading zeros ("0x0").
std::string flags_text(uint64_t flags);

// "key_down", "key_up", "flags_changed", or "mouse_down" for any other type.
const char* kind_name(uint32_t type);

namespace platform {
// The source process's name for a "source" member: none when `pid` is out of
// 1..2147483647 or the name is empty. Invalid UTF-8 becomes U+FFFD.
std::optional<std::string> source_name(int64_t pid);

// {"kind", "flags", "source_pid", "keycode" (flags changed only), "source"
// (when the source process has a name)}. Reads the source process id from
// `event`; one process-name lookup.
json::Value describe(uint32_t type, int64_t keycode, uint64_t flags,
                     cf::TypeRef event);
}  // namespace platform

}  // namespace dictation
