// Value objects of the simulated desktop: equality and the makers.
#include "platform/sim/model/values.h"

#include <cmath>
#include <cstring>

#include "unicode/utf8.h"

namespace sim {
namespace {

// Exact comparison of an integer with a double.
bool same_number(int64_t i, double d) {
  if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
    return false;
  }
  if (d != std::trunc(d)) return false;
  return static_cast<int64_t>(d) == i;
}

}  // namespace

bool String::equals(const cf::Object& other) const {
  return units == static_cast<const String&>(other).units;
}

const char* String::utf8() const {
  std::call_once(once_, [this] {
    auto s = unicode::utf16_to_utf8_strict(units);
    utf8_ok_ = s.has_value();
    if (s) utf8_ = std::move(*s);
  });
  return utf8_ok_ ? utf8_.c_str() : nullptr;
}

bool Number::equals(const cf::Object& other) const {
  const auto& o = static_cast<const Number&>(other);
  if (is_int && o.is_int) return i == o.i;
  if (!is_int && !o.is_int) {
    return d == o.d || (std::isnan(d) && std::isnan(o.d));
  }
  return is_int ? same_number(i, o.d) : same_number(o.i, d);
}

bool Array::equals(const cf::Object& other) const {
  const auto& o = static_cast<const Array&>(other);
  if (items.size() != o.items.size()) return false;
  for (size_t k = 0; k < items.size(); ++k) {
    if (!cf::equal(items[k].get(), o.items[k].get())) return false;
  }
  return true;
}

bool Dictionary::equals(const cf::Object& other) const {
  const auto& o = static_cast<const Dictionary&>(other);
  if (entries.size() != o.entries.size()) return false;
  auto a = entries.begin();
  auto b = o.entries.begin();
  for (; a != entries.end(); ++a, ++b) {
    if (a->first != b->first || !cf::equal(a->second.get(), b->second.get())) {
      return false;
    }
  }
  return true;
}

bool Data::equals(const cf::Object& other) const {
  const auto& o = static_cast<const Data&>(other);
  return length == o.length &&
         (length == 0 || std::memcmp(bytes, o.bytes, length) == 0);
}

bool AxValue::equals(const cf::Object& other) const {
  const auto& o = static_cast<const AxValue&>(other);
  if (value_type != o.value_type) return false;
  switch (value_type) {
    case ax::ValueType::CFRange:
      return location == o.location && length == o.length;
    case ax::ValueType::AXError:
      return error == o.error;
    default:
      return std::memcmp(f, o.f, sizeof f) == 0;
  }
}

cf::Ref make_number(int64_t value) { return adopt_new(new Number(value)); }

cf::Ref make_number(double value) { return adopt_new(new Number(value)); }

namespace {

struct Singleton final : cf::Object {
  Singleton(cf::TypeId type, const char* kind) : Object(type, kind) {
    make_immortal(this);
  }
};

}  // namespace

cf::TypeRef null_object() {
  static const auto* v = new Singleton(cf::TypeId::Null, "null");
  return v;
}

cf::TypeRef boolean_object(bool value) {
  static const auto* t = new Singleton(cf::TypeId::Boolean, "boolean");
  static const auto* f = new Singleton(cf::TypeId::Boolean, "boolean");
  return value ? t : f;
}

cf::Ref make_string(std::u16string units) {
  return adopt_new(new String(std::move(units)));
}
cf::Ref make_array(std::vector<cf::Ref> items) {
  return adopt_new(new Array(std::move(items)));
}
cf::Ref make_dictionary(std::map<std::string, cf::Ref> entries) {
  return adopt_new(new Dictionary(std::move(entries)));
}
cf::Ref make_data(std::vector<uint8_t> bytes) {
  auto owner = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
  const uint8_t* p = owner->data();
  int64_t n = static_cast<int64_t>(owner->size());
  return adopt_new(new Data(std::move(owner), p, n));
}
cf::Ref make_ax_value(const AxValue& prototype) {
  auto* v = new AxValue;
  v->value_type = prototype.value_type;
  std::memcpy(v->f, prototype.f, sizeof v->f);
  v->location = prototype.location;
  v->length = prototype.length;
  v->error = prototype.error;
  return adopt_new(v);
}

}  // namespace sim
