// Reserved device names of drive-letter file systems.
#pragma once

#include <string_view>

namespace inspect {

// Whether the last component of `path` (after the last "/" or "\") names a
// reserved device: CON, PRN, AUX, NUL, CONIN$, CONOUT$, or COM/LPT followed
// by one digit 0-9 or one of the superscripts one to three. An extension or
// stream name after the first "." or ":" is ignored, so are trailing spaces
// and letter case (full Unicode upper-casing). `path` must be UTF-8.
bool names_device(std::string_view path);

}  // namespace inspect
