// JSON text as the simulated desktop reads it (desktop files and control
// lines): stricter than the parser alone, which would stop at a NUL byte,
// skip a byte-order mark and turn integers beyond 64 bits into floating
// point without a word.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace sim {

// Parses `text` into `out`. Returns "" or the reason it is refused.
std::string parse_json_strictly(std::string_view text, nlohmann::json* out);

}  // namespace sim
