// Core Foundation of the simulated desktop: strings, numbers, the null and
// boolean singletons, arrays, dictionaries and data over the value objects.
// Retain, release and equality belong to the object registry (object.cc).
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "platform/cf.h"
#include "platform/sim/model/values.h"
#include "unicode/utf8.h"

namespace cf {

Ref string_create(std::string_view utf8) {
  auto units = unicode::utf8_to_utf16(utf8);
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

int64_t string_length(TypeRef string) {
  const auto* s = sim::as<sim::String>(string);
  return s ? static_cast<int64_t>(s->units.size()) : 0;
}

std::u16string string_units(TypeRef string, int64_t start, int64_t count) {
  int64_t length = string_length(string);
  if (start < 0) start = 0;
  if (start >= length || count <= 0) return {};
  if (count > length - start) count = length - start;
  const auto* s = sim::as<sim::String>(string);
  return s->units.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

Ref number_create_i64(int64_t value) { return sim::make_number(value); }

Ref number_create_f64(double value) { return sim::make_number(value); }

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

TypeRef null_value() { return sim::null_object(); }

TypeRef boolean_value(bool v) { return sim::boolean_object(v); }

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
