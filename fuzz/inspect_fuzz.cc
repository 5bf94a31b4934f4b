// The inspect request path on arbitrary bytes: it must always answer with
// either one JSON line or exactly one of its two messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "inspect/answer.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  inspect::Answer a = inspect::answer(input);
  require(a.status == 0 || a.status == 1);
  if (a.status == 1) {
    require(a.out.empty());
    require(a.err == inspect::kUnreadable || a.err == inspect::kNotARequest);
    return 0;
  }
  require(a.err.empty());
  require(!a.out.empty() && a.out.find('\n') == a.out.size() - 1);
  json::Value response = json::Value::parse(a.out, nullptr, false);
  require(response.is_object() && response.size() == 5);
  for (const char* key : {"files", "processes", "windows", "points"})
    require(response.contains(key) && response[key].is_array());
  require(response["files"].empty() && response["processes"].empty() &&
          response["windows"].empty());
  require(response.contains("screen") && response["screen"].is_null());
  for (const auto& p : response["points"]) require(p.is_null());
  return 0;
}
