// AXValue: ranges, points, sizes, rectangles and error codes.
#include "platform/sim/api/fault.h"
#include "platform/ax.h"
#include "platform/sim/model/values.h"

namespace ax {
namespace {

const sim::AxValue* typed(cf::TypeRef value, ValueType type) {
  const auto* v = sim::as<sim::AxValue>(value);
  return v && v->value_type == type ? v : nullptr;
}

}  // namespace

cf::Ref value_create_range(Range range) {
  sim::Call call("AXValueCreate");
  if (call.fails()) return {};
  sim::AxValue v;
  v.value_type = ValueType::CFRange;
  v.location = range.location;
  v.length = range.length;
  return sim::make_ax_value(v);
}

ValueType value_get_type(cf::TypeRef value) {
  const auto* v = sim::as<sim::AxValue>(value);
  return v ? v->value_type : ValueType::Illegal;
}

bool value_get_range(cf::TypeRef value, Range* out) {
  const auto* v = typed(value, ValueType::CFRange);
  if (!v) return false;
  *out = {v->location, v->length};
  return true;
}

bool value_get_rect(cf::TypeRef value, Rect* out) {
  const auto* v = typed(value, ValueType::CGRect);
  if (!v) return false;
  *out = {v->f[0], v->f[1], v->f[2], v->f[3]};
  return true;
}

bool value_get_point(cf::TypeRef value, Point* out) {
  const auto* v = typed(value, ValueType::CGPoint);
  if (!v) return false;
  *out = {v->f[0], v->f[1]};
  return true;
}

bool value_get_size(cf::TypeRef value, Size* out) {
  const auto* v = typed(value, ValueType::CGSize);
  if (!v) return false;
  *out = {v->f[0], v->f[1]};
  return true;
}

bool value_get_error(cf::TypeRef value, Error* out) {
  const auto* v = typed(value, ValueType::AXError);
  if (!v) return false;
  *out = v->error;
  return true;
}

}  // namespace ax
