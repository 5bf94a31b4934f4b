// Members are checked while they are read. A member of the wrong form does
// not end the reading at once: a later occurrence of the same name replaces
// it, so only the verdict of the last occurrence counts. A syntax error
// anywhere ends it.
#include "inspect/request.h"

#include <limits>
#include <type_traits>

#include "inspect/cursor.h"

namespace inspect {

namespace {

constexpr uint64_t kMaxPid = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kMaxWindow = std::numeric_limits<uint64_t>::max();
constexpr uint64_t kMaxCoordinate = std::numeric_limits<int32_t>::max();

std::optional<uint64_t> non_negative(const Number& n, uint64_t max) {
  if (!n.integer || n.negative || n.magnitude > max) return std::nullopt;
  return n.magnitude;
}

std::optional<int32_t> coordinate(const Number& n) {
  if (!n.integer) return std::nullopt;
  if (!n.negative) {
    if (n.magnitude > kMaxCoordinate) return std::nullopt;
    return static_cast<int32_t>(n.magnitude);
  }
  // "-0" is not an integer here; the magnitude of the minimum is max + 1.
  if (n.magnitude == 0 || n.magnitude > kMaxCoordinate + 1) return std::nullopt;
  return static_cast<int32_t>(-static_cast<int64_t>(n.magnitude));
}

// Reads the value at the cursor as an array and calls `element()` with the
// cursor on each element; `element` reads exactly one value and judges its
// form itself. A value that is not an array is skipped and clears `good`.
// False only on a syntax error.
template <typename Element>
bool list(Cursor& c, bool& good, Element element) {
  if (c.peek() != '[') {
    good = false;
    return c.skip_value();
  }
  return c.array(element);
}

// Reads one value that should be a number; `value` becomes `check` of it, or
// nothing if it is not a number. False only on a syntax error.
template <typename T, typename Check>
bool number(Cursor& c, std::optional<T>& value, Check check) {
  char first = c.peek();
  if (first != '-' && (first < '0' || first > '9')) {
    value.reset();
    return c.skip_value();
  }
  Number n;
  if (!c.number(n)) return false;
  value = check(n);
  return true;
}

// One element of "points": an array of exactly two coordinates.
bool point(Cursor& c, std::optional<Point>& value) {
  value.reset();
  if (c.peek() != '[') return c.skip_value();
  int32_t xy[2] = {0, 0};
  size_t count = 0;
  bool good = true;
  bool syntax = c.array([&] {
    std::optional<int32_t> v;
    if (!number(c, v, coordinate)) return false;
    if (!v) good = false;
    else if (count < 2) xy[count] = *v;
    ++count;
    return true;
  });
  if (syntax && good && count == 2) value = Point{xy[0], xy[1]};
  return syntax;
}

// Whether the last occurrence so far of each known member had its form.
struct Checks {
  bool pids = true, windows = true, files = true, screen = true, points = true;
  bool all() const { return pids && windows && files && screen && points; }
};

}  // namespace

std::optional<Request> request(std::string_view text) {
  Cursor c(text);
  c.skip_white_space();
  if (c.peek() != '{') return std::nullopt;
  Request r;
  Checks good;
  // Reads the list member at the cursor into `out` with `read(value)`, one
  // element at a time; `ok` tells whether every element had its form.
  //
  // Every element takes at least two bytes of text, so `out` first gets room
  // for as many as the rest of the text could hold. A large allocation is
  // mapped lazily: only the pages the elements fill are ever touched, and a
  // list of a hundred thousand elements is never copied while it grows.
  auto read_list = [&c](auto& out, bool& ok, auto read) {
    out.clear();
    if (c.peek() == '[') out.reserve(c.remaining() / 2);
    ok = true;
    return list(c, ok, [&] {
      std::optional<typename std::decay_t<decltype(out)>::value_type> value;
      if (!read(value)) return false;
      if (value) out.push_back(std::move(*value));
      else ok = false;
      return true;
    });
  };
  bool syntax = c.object([&](const std::string& key) {
    if (key == "pids")
      return read_list(r.pids, good.pids, [&](std::optional<uint32_t>& v) {
        return number(c, v, [](const Number& n) -> std::optional<uint32_t> {
          if (auto pid = non_negative(n, kMaxPid)) return static_cast<uint32_t>(*pid);
          return std::nullopt;
        });
      });
    if (key == "windows")
      return read_list(r.windows, good.windows, [&](std::optional<uint64_t>& v) {
        return number(c, v, [](const Number& n) { return non_negative(n, kMaxWindow); });
      });
    if (key == "files")
      return read_list(r.files, good.files, [&](std::optional<std::string>& v) {
        if (c.peek() != '"') {
          v.reset();
          return c.skip_value();
        }
        v.emplace();
        return c.string(*v);
      });
    if (key == "points")
      return read_list(r.points, good.points, [&](std::optional<Point>& v) { return point(c, v); });
    if (key == "screen") {
      r.screen = false;
      good.screen = c.peek() == 't' || c.peek() == 'f';
      return good.screen ? c.boolean(r.screen) : c.skip_value();
    }
    return c.skip_value();
  });
  if (!syntax) return std::nullopt;
  c.skip_white_space();
  if (!c.at_end() || !good.all()) return std::nullopt;
  return r;
}

}  // namespace inspect
