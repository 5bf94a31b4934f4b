#include "macos/windows.h"

#include <cmath>
#include <optional>

#include "macos/focus.h"
#include "platform/ax.h"
#include "platform/cf.h"
#include "platform/cg_window.h"

namespace frontmost::platform::cg_windows {
namespace {

bool is_number(cf::TypeRef value) {
  return value && cf::get_type_id(value) == cf::TypeId::Number;
}

// A number that converts exactly to a signed 64-bit integer.
std::optional<int64_t> exact_integer(cf::TypeRef value) {
  int64_t n = 0;
  if (!is_number(value) || !cf::number_get_i64(value, &n)) return std::nullopt;
  return n;
}

json::Value integer_member(cf::TypeRef description, const char* key) {
  std::optional<int64_t> n = exact_integer(cf::dictionary_get(description, key));
  return n ? json::Value(*n) : json::Value();
}

json::Value text_member(cf::TypeRef description, const char* key) {
  cf::TypeRef value = cf::dictionary_get(description, key);
  if (!value || cf::get_type_id(value) != cf::TypeId::String) return json::Value();
  return json::Value(text_of(value));
}

json::Value float_member(double value) {
  return std::isfinite(value) ? json::Value(value) : json::Value();
}

bool on_layer_zero(cf::TypeRef description) {
  std::optional<int64_t> layer =
      exact_integer(cf::dictionary_get(description, cg::kWindowLayer));
  return layer && *layer == 0;
}

// Only an alpha that is read as a number at or below 0 hides a window.
bool transparent(cf::TypeRef description) {
  cf::TypeRef alpha = cf::dictionary_get(description, cg::kWindowAlpha);
  double value = 0;
  return is_number(alpha) && cf::number_get_f64(alpha, &value) && value <= 0;
}

std::optional<ax::Rect> bounds_of(cf::TypeRef description) {
  cf::TypeRef bounds = cf::dictionary_get(description, cg::kWindowBounds);
  ax::Rect rect;
  if (!bounds || !cg::rect_make_with_dictionary_representation(bounds, &rect)) {
    return std::nullopt;
  }
  return rect;
}

json::Value record(cf::TypeRef description, const ax::Rect& bounds) {
  json::Value out = json::Value::object();
  out["id"] = integer_member(description, cg::kWindowNumber);
  out["pid"] = integer_member(description, cg::kWindowOwnerPID);
  out["app"] = text_member(description, cg::kWindowOwnerName);
  out["x"] = float_member(bounds.x);
  out["y"] = float_member(bounds.y);
  out["width"] = float_member(bounds.width);
  out["height"] = float_member(bounds.height);
  return out;
}

}  // namespace

json::Value list() {
  json::Value windows = json::Value::array();
  cf::Ref info = cg::window_list_copy_window_info(kListOptions, kRelativeTo);
  if (!info || cf::get_type_id(info.get()) != cf::TypeId::Array) return windows;
  int64_t count = cf::array_count(info.get());
  for (int64_t i = 0; i < count && windows.size() < kMostRecords; ++i) {
    cf::TypeRef description = cf::array_get(info.get(), i);
    if (!description || cf::get_type_id(description) != cf::TypeId::Dictionary) continue;
    if (!on_layer_zero(description) || transparent(description)) continue;
    std::optional<ax::Rect> bounds = bounds_of(description);
    // A side that is not a number is not known to be small: it passes.
    if (!bounds || bounds->width < kSmallestSide || bounds->height < kSmallestSide) continue;
    windows.push_back(record(description, *bounds));
  }
  return windows;
}

}  // namespace frontmost::platform::cg_windows
