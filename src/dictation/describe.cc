#include "dictation/describe.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/cg_event.h"
#include "platform/proc.h"
#include "unicode/utf8.h"

namespace dictation {

std::string flags_text(uint64_t flags) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::array<char, 16> reversed{};
  size_t count = 0;
  do {
    reversed[count++] = kDigits[flags & 0xF];
    flags >>= 4;
  } while (flags != 0);
  std::string text = "0x";
  while (count > 0) text.push_back(reversed[--count]);
  return text;
}

const char* kind_name(uint32_t type) {
  switch (type) {
    case cg::kKeyDown:
      return "key_down";
    case cg::kKeyUp:
      return "key_up";
    case cg::kFlagsChanged:
      return "flags_changed";
    default:
      return "mouse_down";
  }
}

namespace platform {

std::optional<std::string> source_name(int64_t pid) {
  if (pid < 1 || pid > std::numeric_limits<int32_t>::max()) return std::nullopt;
  std::array<char, 256> buffer;
  int length = proc::name(static_cast<int32_t>(pid), buffer.data(),
                          static_cast<uint32_t>(buffer.size()));
  if (length <= 0) return std::nullopt;
  size_t size = std::min(static_cast<size_t>(length), buffer.size());
  return unicode::replace_invalid_utf8(std::string_view(buffer.data(), size));
}

json::Value describe(uint32_t type, int64_t keycode, uint64_t flags,
                     cf::TypeRef event) {
  int64_t pid = cg::event_get_integer_field(event, cg::kFieldEventSourceUnixProcessID);
  json::Value payload = json::Value::object();
  payload["kind"] = kind_name(type);
  payload["flags"] = flags_text(flags);
  payload["source_pid"] = pid;
  if (type == cg::kFlagsChanged) payload["keycode"] = keycode;
  if (auto name = source_name(pid)) payload["source"] = std::move(*name);
  return payload;
}

}  // namespace platform
}  // namespace dictation
