#include "inspect/device_name.h"

#include <array>

#include "unicode/properties.h"

namespace inspect {

namespace {

constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$",
                                                      "CONOUT$"};
constexpr std::array<std::string_view, 3> kSuperscripts = {"\u00B9", "\u00B2", "\u00B3"};

bool numbered_port(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view prefix = name.substr(0, 3);
  if (prefix != "COM" && prefix != "LPT") return false;
  std::string_view number = name.substr(3);
  if (number.size() == 1) return number[0] >= '0' && number[0] <= '9';
  for (auto superscript : kSuperscripts)
    if (number == superscript) return true;
  return false;
}

bool reserved(std::string_view upper) {
  for (auto name : kNames)
    if (upper == name) return true;
  return numbered_port(upper);
}

}  // namespace

bool names_device(std::string_view path) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] != '/' && path[start - 1] != '\\') --start;
  std::string_view name = path.substr(start);
  size_t cut = 0;
  while (cut < name.size() && name[cut] != ':' && name[cut] != '.') ++cut;
  name = name.substr(0, cut);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  // Upper-casing never lowers the number of characters, and no reserved name
  // has more than 7: a name of more than 7 * 4 bytes cannot match.
  if (name.empty() || name.size() > 4 * 7) return false;
  // An ASCII name upper-cases to ASCII of the same length; only other names
  // need the full Unicode mapping.
  char upper[7];
  size_t size = 0;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return reserved(unicode::to_upper_full(name));
    if (size == sizeof upper) return false;
    upper[size++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return reserved(std::string_view(upper, size));
}

}  // namespace inspect
