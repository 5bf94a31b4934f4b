// The head and tail of a platform string as the focus report shows them.
//
// `both_ends` can show at most a few hundred characters of a text however
// long it is, so a long string is read only near its two ends: the report's
// work stays proportional to what it can show, not to what an application
// hands it. Any thread; the string is borrowed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/cf.h"

namespace frontmost::platform::screen {

// `both_ends`(text of `string`, max): the same answer as for the whole text.
std::optional<std::string> ends_of(cf::TypeRef string, uint64_t max);

}  // namespace frontmost::platform::screen
