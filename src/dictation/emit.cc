#include "dictation/emit.h"

#include <string>

#include "json/line.h"

namespace dictation {

void emit(std::string_view name, const json::Value& payload) {
  json::Value line = json::Value::object();
  line["event"] = std::string(name);
  if (payload.is_object()) {
    for (const auto& [key, value] : payload.items()) line[key] = value;
  }
  json::write_line(line);
}

}  // namespace dictation
