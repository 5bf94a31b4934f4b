// The line serializer: whatever value it is given, its output is one line
// that parses back to the same value and serializes to the same text again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "json/write.h"
#include "unicode/utf8.h"

namespace {

json::Value from_bytes(const uint8_t* data, size_t size) {
  if (size > 0 && data[0] % 2 == 0) {
    json::Value parsed = json::Value::parse(data + 1, data + size, nullptr, false);
    if (!parsed.is_discarded()) return parsed;
  }
  // Raw doubles, integers and text cut from the input.
  json::Value out = json::Value::object();
  json::Value numbers = json::Value::array();
  for (size_t i = 0; i + 8 <= size; i += 8) {
    double d;
    std::memcpy(&d, data + i, 8);
    numbers.push_back(d);
    int64_t n;
    std::memcpy(&n, data + i, 8);
    numbers.push_back(n);
    numbers.push_back(static_cast<uint64_t>(n));
  }
  out["numbers"] = numbers;
  std::string text = unicode::replace_invalid_utf8(
      std::string_view(reinterpret_cast<const char*>(data), size));
  out["text"] = text;
  out[text] = text;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  json::Value value = from_bytes(data, size);
  std::string line = json::serialize(value);
  if (line.find('\n') != std::string::npos) std::abort();
  json::Value back = json::Value::parse(line, nullptr, false);
  if (back.is_discarded()) std::abort();
  if (json::serialize(back) != line) std::abort();
  return 0;
}
