// A request value comes from the strict parser, which stores every
// non-negative integer as unsigned and every negative one as signed. The only
// signed zero it can produce is the text "-0", which is not an integer here;
// fractions, exponents and integers beyond 64 bits arrive as doubles and are
// refused the same way.
#include "inspect/request.h"

#include <limits>

namespace inspect {

namespace {

std::optional<uint64_t> non_negative(const json::Value& v, uint64_t max) {
  if (!v.is_number_unsigned()) return std::nullopt;
  auto n = v.get_ref<const json::Value::number_unsigned_t&>();
  if (n > max) return std::nullopt;
  return n;
}

std::optional<int32_t> coordinate(const json::Value& v) {
  if (v.is_number_unsigned()) {
    auto n = v.get_ref<const json::Value::number_unsigned_t&>();
    if (n > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return std::nullopt;
    return static_cast<int32_t>(n);
  }
  if (v.is_number_integer()) {
    auto n = v.get_ref<const json::Value::number_integer_t&>();
    if (n == 0 || n < std::numeric_limits<int32_t>::min() ||
        n > std::numeric_limits<int32_t>::max())
      return std::nullopt;
    return static_cast<int32_t>(n);
  }
  return std::nullopt;
}

// Reads the array member `name` element by element into `out`. An absent
// member leaves `out` empty; anything but an array, or one element that
// `read` refuses, makes the member unreadable.
template <typename T, typename Read>
bool read_list(const json::Value& object, const char* name, std::vector<T>& out, Read read) {
  auto it = object.find(name);
  if (it == object.end()) return true;
  if (!it->is_array()) return false;
  out.reserve(it->size());
  for (const auto& element : *it) {
    std::optional<T> item = read(element);
    if (!item) return false;
    out.push_back(std::move(*item));
  }
  return true;
}

}  // namespace

std::optional<Point> point(const json::Value& value) {
  if (!value.is_array() || value.size() != 2) return std::nullopt;
  auto x = coordinate(value[0]);
  auto y = coordinate(value[1]);
  if (!x || !y) return std::nullopt;
  return Point{*x, *y};
}

std::optional<Request> request(const json::Value& value) {
  if (!value.is_object()) return std::nullopt;
  Request r;
  auto pid = [](const json::Value& v) -> std::optional<uint32_t> {
    auto n = non_negative(v, std::numeric_limits<uint32_t>::max());
    if (!n) return std::nullopt;
    return static_cast<uint32_t>(*n);
  };
  auto window = [](const json::Value& v) {
    return non_negative(v, std::numeric_limits<uint64_t>::max());
  };
  auto file = [](const json::Value& v) -> std::optional<std::string> {
    if (!v.is_string()) return std::nullopt;
    return v.get_ref<const std::string&>();
  };
  if (!read_list(value, "pids", r.pids, pid)) return std::nullopt;
  if (!read_list(value, "windows", r.windows, window)) return std::nullopt;
  if (!read_list(value, "files", r.files, file)) return std::nullopt;
  if (auto it = value.find("screen"); it != value.end()) {
    if (!it->is_boolean()) return std::nullopt;
    r.screen = it->get<bool>();
  }
  if (!read_list(value, "points", r.points, [](const json::Value& v) { return point(v); }))
    return std::nullopt;
  return r;
}

}  // namespace inspect
