// The inspect request path on arbitrary bytes. It must always answer with
// either one JSON line or exactly one of its two messages, and its verdict
// and reading of the request must agree with an independent reading built
// on the JSON library's own parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "inspect/answer.h"
#include "inspect/request.h"
#include "unicode/utf8.h"

namespace {

using Json = nlohmann::json;

void require(bool condition) {
  if (!condition) std::abort();
}

// The library parser stores non-negative integers as unsigned and negative
// ones as signed, so the only signed zero is "-0"; fractions, exponents and
// integers beyond 64 bits become doubles.
std::optional<int64_t> integer(const Json& v, int64_t min, uint64_t max) {
  if (v.is_number_unsigned()) {
    auto n = v.get<uint64_t>();
    if (n <= max) return static_cast<int64_t>(n);
  } else if (v.is_number_integer()) {
    auto n = v.get<int64_t>();
    if (n < 0 && n >= min) return n;
  }
  return std::nullopt;
}

std::optional<inspect::Request> reference(std::string_view text) {
  // The library parser skips a byte order mark and stops at a NUL byte.
  if (text.starts_with("\xEF\xBB\xBF") || text.find('\0') != std::string_view::npos)
    return std::nullopt;
  Json v = Json::parse(text, nullptr, false);
  if (v.is_discarded() || !v.is_object()) return std::nullopt;
  inspect::Request r;
  auto list = [&](const char* name, auto read) {
    auto it = v.find(name);
    if (it == v.end()) return true;
    if (!it->is_array()) return false;
    for (const auto& e : *it)
      if (!read(e)) return false;
    return true;
  };
  bool ok = list("pids", [&](const Json& e) {
    auto n = integer(e, 0, std::numeric_limits<uint32_t>::max());
    if (n) r.pids.push_back(static_cast<uint32_t>(*n));
    return n.has_value();
  });
  ok = ok && list("windows", [&](const Json& e) {
    if (!e.is_number_unsigned()) return false;
    r.windows.push_back(e.get<uint64_t>());
    return true;
  });
  ok = ok && list("files", [&](const Json& e) {
    if (!e.is_string()) return false;
    r.files.push_back(e.get<std::string>());
    return true;
  });
  ok = ok && list("points", [&](const Json& e) {
    if (!e.is_array() || e.size() != 2) return false;
    auto x = integer(e[0], std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    auto y = integer(e[1], std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (!x || !y) return false;
    r.points.push_back({static_cast<int32_t>(*x), static_cast<int32_t>(*y)});
    return true;
  });
  if (auto it = v.find("screen"); ok && it != v.end()) {
    ok = it->is_boolean();
    r.screen = ok && it->get<bool>();
  }
  if (!ok) return std::nullopt;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  inspect::Answer a = inspect::answer(input);
  require(a.status == 0 || a.status == 1);
  if (a.status == 1) {
    require(a.out.empty());
    require(a.err == inspect::kUnreadable || a.err == inspect::kNotARequest);
  } else {
    require(a.err.empty());
    require(!a.out.empty() && a.out.find('\n') == a.out.size() - 1);
    Json response = Json::parse(a.out, nullptr, false);
    require(response.is_object() && response.size() == 5);
    for (const char* key : {"files", "processes", "windows"})
      require(response.contains(key) && response[key] == Json::array());
    require(response.contains("screen") && response["screen"].is_null());
    require(response.contains("points") && response["points"].is_array());
    for (const auto& p : response["points"]) require(p.is_null());
  }

  std::string_view text = input.substr(0, inspect::kRequestLimit);
  if (!unicode::valid_utf8(text)) {
    require(a.err == inspect::kUnreadable);
    return 0;
  }
  auto mine = inspect::request(text);
  auto theirs = reference(text);
  require(mine.has_value() == theirs.has_value());
  require(mine.has_value() == (a.status == 0));
  if (mine) {
    require(mine->pids == theirs->pids && mine->windows == theirs->windows &&
            mine->files == theirs->files && mine->screen == theirs->screen &&
            mine->points == theirs->points);
  }
  return 0;
}
