// The JSON value of the host protocol.
//
// Numbers keep their kind: unsigned 64-bit, signed 64-bit or double. Objects
// keep their keys in ascending byte order (a std::map over std::string, whose
// comparison is unsigned bytewise); inserting a key that is present replaces
// its value.
#pragma once

#include <nlohmann/json.hpp>

namespace json {
using Value = nlohmann::json;
}  // namespace json
