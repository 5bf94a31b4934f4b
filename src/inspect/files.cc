#include "inspect/files.h"

#include "inspect/device_name.h"
#include "inspect/unique.h"

namespace inspect {

namespace {
constexpr std::string_view kLongPathPrefix = "\\\\?\\";
}

bool drive_letter_form(std::string_view path) {
  std::string_view rest = path;
  if (rest.starts_with(kLongPathPrefix)) rest.remove_prefix(kLongPathPrefix.size());
  if (rest.size() < 3) return false;
  char drive = rest[0];
  bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
  return letter && rest[1] == ':' && (rest[2] == '/' || rest[2] == '\\');
}

std::vector<std::string_view> files_to_look_up(const std::vector<std::string>& paths) {
  std::vector<std::string_view> views;
  views.reserve(paths.size());
  for (std::string_view path : paths)
    if (drive_letter_form(path) && !names_device(path)) views.push_back(path);
  return unique(std::move(views));
}

}  // namespace inspect
