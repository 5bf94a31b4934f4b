// Value objects, and the Core Foundation value operations over them.
#include "platform/sim/values.h"

#include <cmath>
#include <cstring>

#include "platform/sim/utf.h"

namespace sim {
namespace {

struct Singleton final : cf::Object {
  Singleton(cf::TypeId type, const char* kind) : Object(type, kind) {
    make_immortal(this);
  }
};

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
    auto s = utf16_to_utf8(units);
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

namespace cf {

Ref string_create(std::string_view utf8) {
  auto units = sim::utf8_to_utf16(utf8);
  if (!units) return Ref();
  return sim::make_string(std::move(*units));
}

Ref string_create_utf16(std::u16string_view units) {
  return sim::make_string(std::u16string(units));
}

std::u16string string_units(TypeRef string) {
  const auto* s = sim::as<sim::String>(string);
  return s ? s->units : std::u16string();
}

Ref number_create_i64(int64_t value) {
  return sim::adopt_new(new sim::Number(value));
}

Ref number_create_f64(double value) {
  return sim::adopt_new(new sim::Number(value));
}

bool number_get_i64(TypeRef number, int64_t* out) {
  const auto* n = sim::as<sim::Number>(number);
  if (!n) return false;
  if (n->is_int) {
    *out = n->i;
    return true;
  }
  double d = n->d;
  if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
    return false;  // not finite or out of range: nothing to truncate to
  }
  *out = static_cast<int64_t>(d);
  return d == std::trunc(d);
}

bool number_get_f64(TypeRef number, double* out) {
  const auto* n = sim::as<sim::Number>(number);
  if (!n) return false;
  if (!n->is_int) {
    *out = n->d;
    return true;
  }
  double d = static_cast<double>(n->i);
  *out = d;
  return d < 9223372036854775808.0 && static_cast<int64_t>(d) == n->i;
}

TypeRef null_value() {
  static const auto* v = new sim::Singleton(TypeId::Null, "null");
  return v;
}

TypeRef boolean_value(bool v) {
  static const auto* t = new sim::Singleton(TypeId::Boolean, "boolean");
  static const auto* f = new sim::Singleton(TypeId::Boolean, "boolean");
  return v ? t : f;
}

Ref array_create(std::span<const TypeRef> values) {
  std::vector<Ref> items;
  items.reserve(values.size());
  for (TypeRef v : values) items.push_back(Ref::retained(v));
  return sim::make_array(std::move(items));
}

int64_t array_count(TypeRef array) {
  const auto* a = sim::as<sim::Array>(array);
  return a ? static_cast<int64_t>(a->items.size()) : 0;
}

TypeRef array_get(TypeRef array, int64_t index) {
  const auto* a = sim::as<sim::Array>(array);
  if (!a || index < 0 || index >= static_cast<int64_t>(a->items.size())) {
    return nullptr;
  }
  return a->items[static_cast<size_t>(index)].get();
}

TypeRef dictionary_get(TypeRef dictionary, std::string_view key) {
  const auto* d = sim::as<sim::Dictionary>(dictionary);
  if (!d) return nullptr;
  auto it = d->entries.find(std::string(key));
  return it == d->entries.end() ? nullptr : it->second.get();
}

const uint8_t* data_bytes(TypeRef data) {
  const auto* d = sim::as<sim::Data>(data);
  return d ? d->bytes : nullptr;
}

int64_t data_length(TypeRef data) {
  const auto* d = sim::as<sim::Data>(data);
  return d ? d->length : 0;
}

}  // namespace cf
