// The plain value objects of the simulated desktop: strings, numbers, the
// null and boolean singletons, arrays, dictionaries, data, accessibility
// values and objects of some other type. All are immutable once made.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ax.h"
#include "platform/cf.h"
#include "platform/sim/model/object.h"

namespace sim {

struct String final : cf::Object {
  explicit String(std::u16string u)
      : Object(cf::TypeId::String, "string"), units(std::move(u)) {}
  bool equals(const cf::Object& other) const override;
  // The UTF-8 form handed out by the object runtime: kept as long as the
  // string lives; null when the string holds an unpaired surrogate.
  const char* utf8() const;

  const std::u16string units;

 private:
  mutable std::once_flag once_;
  mutable std::string utf8_;
  mutable bool utf8_ok_ = false;
};

struct Number final : cf::Object {
  explicit Number(int64_t v)
      : Object(cf::TypeId::Number, "number"), is_int(true), i(v) {}
  explicit Number(double v)
      : Object(cf::TypeId::Number, "number"), is_int(false), d(v) {}
  bool equals(const cf::Object& other) const override;

  const bool is_int;
  const int64_t i = 0;
  const double d = 0;
};

struct Array final : cf::Object {
  explicit Array(std::vector<cf::Ref> v)
      : Object(cf::TypeId::Array, "array"), items(std::move(v)) {}
  bool equals(const cf::Object& other) const override;
  const std::vector<cf::Ref> items;
};

struct Dictionary final : cf::Object {
  explicit Dictionary(std::map<std::string, cf::Ref> e)
      : Object(cf::TypeId::Dictionary, "dictionary"), entries(std::move(e)) {}
  bool equals(const cf::Object& other) const override;
  const std::map<std::string, cf::Ref> entries;  // keys in UTF-8
};

// Bytes owned by `owner` (which may be any structure the bytes live in).
struct Data final : cf::Object {
  Data(std::shared_ptr<const void> owner_, const uint8_t* p, int64_t n)
      : Object(cf::TypeId::Data, "data"), owner(std::move(owner_)), bytes(p),
        length(n) {}
  bool equals(const cf::Object& other) const override;
  const std::shared_ptr<const void> owner;
  const uint8_t* const bytes;
  const int64_t length;
};

struct AxValue final : cf::Object {
  AxValue() : Object(cf::TypeId::AXValue, "ax_value") {}
  bool equals(const cf::Object& other) const override;
  ax::ValueType value_type = ax::ValueType::Illegal;
  double f[4] = {0, 0, 0, 0};  // point x,y; size w,h; rect x,y,w,h
  int64_t location = 0, length = 0;
  ax::Error error = 0;
};

// A value of a type the callers never expect ({"other": true}). On a Mac
// any type id that is not one of the known ones reads as an object of the
// object runtime, and so does this one.
struct Opaque final : cf::Object {
  Opaque() : Object(cf::TypeId::ObjcObject, "other") {}
};

// Factories: each gives one owned reference.
cf::Ref make_string(std::u16string units);
cf::Ref make_number(int64_t value);
cf::Ref make_number(double value);
// The null and the two boolean objects: one each, never freed.
cf::TypeRef null_object();
cf::TypeRef boolean_object(bool value);
cf::Ref make_array(std::vector<cf::Ref> items);
cf::Ref make_dictionary(std::map<std::string, cf::Ref> entries);
cf::Ref make_data(std::vector<uint8_t> bytes);
cf::Ref make_ax_value(const AxValue& prototype);

}  // namespace sim
