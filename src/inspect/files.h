// Which requested paths reach the file lookup.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace inspect {

// Whether `path` has the drive-letter form: a letter, ":" and "/" or "\",
// optionally after the long-path prefix "\\?\".
bool drive_letter_form(std::string_view path);

// The paths to look up, in request order: each path once, only those of the
// drive-letter form, and none that names a reserved device (opening a device
// can block or have effects of its own). The results view `paths`.
std::vector<std::string_view> files_to_look_up(const std::vector<std::string>& paths);

}  // namespace inspect
