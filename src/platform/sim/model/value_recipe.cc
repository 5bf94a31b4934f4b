// Value recipes: parsing VALUEs of the desktop file, and turning them into
// fresh platform objects.
#include "platform/sim/model/value_recipe.h"

#include <cmath>
#include <limits>

#include "platform/sim/model/values.h"
#include "unicode/utf8.h"

namespace sim {
namespace {

constexpr int kMaxDepth = 64;

using json = nlohmann::json;

std::shared_ptr<Recipe> fresh(Recipe::Kind kind) {
  auto s = std::make_shared<Recipe>();
  s->kind = kind;
  return s;
}

bool number_or_special(const json& j, double* out) {
  if (j.is_object() && j.size() == 1 && j.contains("float")) {
    return number_or_special(j["float"], out);
  }
  if (j.is_number()) {
    *out = j.get<double>();
    return true;
  }
  if (j.is_string()) {
    const auto& s = j.get_ref<const std::string&>();
    if (s == "nan") *out = std::numeric_limits<double>::quiet_NaN();
    else if (s == "inf") *out = std::numeric_limits<double>::infinity();
    else if (s == "-inf") *out = -std::numeric_limits<double>::infinity();
    else return false;
    return true;
  }
  return false;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class RecipeParser {
 public:
  std::string parse(const json& j, RecipeContext context, const Where& where,
                    int depth, RecipePtr* out);

 private:
  std::string tagged(const std::string& tag, const json& v, RecipeContext context,
                     const Where& where, int depth, RecipePtr* out);
  std::string numbers(const json& v, size_t n, const Where& where,
                      std::shared_ptr<Recipe>& s);
  std::string dictionary(const json& members, RecipeContext inner,
                         const Where& where, int depth, RecipePtr* out);
};

std::string RecipeParser::dictionary(const json& members, RecipeContext inner,
                                   const Where& where, int depth,
                                   RecipePtr* out) {
  auto s = fresh(Recipe::Kind::Dict);
  for (const auto& [key, member] : members.items()) {
    RecipePtr m;
    std::string r = parse(member, inner, where.at(key), depth + 1, &m);
    if (!r.empty()) return r;
    s->dict[key] = std::move(m);
  }
  *out = std::move(s);
  return "";
}

std::string RecipeParser::numbers(const json& v, size_t n, const Where& where,
                                std::shared_ptr<Recipe>& s) {
  if (!v.is_array() || v.size() != n) {
    return where.fail("expected an array of " + std::to_string(n) + " numbers");
  }
  for (size_t k = 0; k < n; ++k) {
    if (!number_or_special(v[k], &s->f[k])) {
      return where.at(k).fail(
          "expected a number, \"nan\", \"inf\", \"-inf\" or {\"float\": ...}");
    }
  }
  return "";
}

std::string RecipeParser::tagged(const std::string& tag, const json& v,
                               RecipeContext context, const Where& where,
                               int depth, RecipePtr* out) {
  Where w = where.at(tag);
  RecipeContext inner =
      context == RecipeContext::Window ? RecipeContext::Window : RecipeContext::Nested;
  if (tag == "float") {
    auto s = fresh(Recipe::Kind::Double);
    if (!number_or_special(v, &s->d)) {
      return w.fail("expected a number, \"nan\", \"inf\" or \"-inf\"");
    }
    *out = std::move(s);
    return "";
  }
  if (tag == "range") {
    if (!v.is_array() || v.size() != 2 || !v[0].is_number_integer() ||
        !v[1].is_number_integer() ||
        (v[0].is_number_unsigned() && v[0].get<uint64_t>() > INT64_MAX) ||
        (v[1].is_number_unsigned() && v[1].get<uint64_t>() > INT64_MAX)) {
      return w.fail("expected [location, length] as two integers");
    }
    auto s = fresh(Recipe::Kind::AxValue);
    s->value_type = ax::ValueType::CFRange;
    s->location = v[0].get<int64_t>();
    s->length = v[1].get<int64_t>();
    *out = std::move(s);
    return "";
  }
  if (tag == "rect" || tag == "point" || tag == "size") {
    auto s = fresh(Recipe::Kind::AxValue);
    s->value_type = tag == "rect"    ? ax::ValueType::CGRect
                    : tag == "point" ? ax::ValueType::CGPoint
                                     : ax::ValueType::CGSize;
    std::string r = numbers(v, tag == "rect" ? 4 : 2, w, s);
    if (!r.empty()) return r;
    *out = std::move(s);
    return "";
  }
  if (tag == "ax_error" || tag == "error") {
    auto s = fresh(tag == "error" ? Recipe::Kind::ReadError : Recipe::Kind::AxValue);
    if (tag == "ax_error") s->value_type = ax::ValueType::AXError;
    if (!parse_code(v, &s->code)) return w.fail("expected a 32-bit error code");
    if (tag == "error" && s->code == 0) {
      return w.fail("a failed read needs a nonzero code");
    }
    if (tag == "error" && context != RecipeContext::Attribute &&
        context != RecipeContext::Set) {
      return w.fail("\"error\" is a read outcome, not a value inside another");
    }
    *out = std::move(s);
    return "";
  }
  if (tag == "element") {
    if (!v.is_string()) return w.fail("expected an element id");
    auto s = fresh(Recipe::Kind::Element);
    s->element = v.get<std::string>();
    *out = std::move(s);
    return "";
  }
  if (tag == "utf16") {
    if (!v.is_array()) return w.fail("expected an array of UTF-16 code units");
    auto s = fresh(Recipe::Kind::String);
    for (size_t k = 0; k < v.size(); ++k) {
      if (!v[k].is_number_unsigned() || v[k].get<uint64_t>() > 0xFFFF) {
        return w.at(k).fail("expected a code unit 0..65535");
      }
      s->text += static_cast<char16_t>(v[k].get<uint64_t>());
    }
    *out = std::move(s);
    return "";
  }
  if (tag == "dict") {
    if (!v.is_object()) return w.fail("expected an object of values");
    return dictionary(v, inner, w, depth, out);
  }
  if (tag == "data") {
    if (!v.is_string()) return w.fail("expected a hex string");
    const auto& h = v.get_ref<const std::string&>();
    if (h.size() % 2 != 0) return w.fail("odd number of hex digits");
    auto s = fresh(Recipe::Kind::Data);
    for (size_t k = 0; k < h.size(); k += 2) {
      int hi = hex_digit(h[k]), lo = hex_digit(h[k + 1]);
      if (hi < 0 || lo < 0) return w.fail("not a hex digit");
      s->bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    *out = std::move(s);
    return "";
  }
  if (tag == "other" || tag == "none" || tag == "remove") {
    if (v != json(true)) return w.fail("expected true");
    if (tag == "none" && context != RecipeContext::Attribute &&
        context != RecipeContext::Set) {
      return w.fail("\"none\" is a read outcome, not a value inside another");
    }
    if (tag == "remove" && context != RecipeContext::Set) {
      return w.fail("\"remove\" is allowed only in a \"set\" action");
    }
    *out = fresh(tag == "other"  ? Recipe::Kind::Other
                 : tag == "none" ? Recipe::Kind::NoValue
                                 : Recipe::Kind::Remove);
    return "";
  }
  return "";  // not a tag
}

std::string RecipeParser::parse(const json& j, RecipeContext context,
                              const Where& where, int depth, RecipePtr* out) {
  if (depth > kMaxDepth) return where.fail("values nested too deeply");
  RecipeContext inner =
      context == RecipeContext::Window ? RecipeContext::Window : RecipeContext::Nested;
  switch (j.type()) {
    case json::value_t::string: {
      auto units = unicode::utf8_to_utf16(j.get_ref<const std::string&>());
      if (!units) return where.fail("string is not valid UTF-8");
      auto s = fresh(Recipe::Kind::String);
      s->text = std::move(*units);
      *out = std::move(s);
      return "";
    }
    case json::value_t::number_integer: {
      auto s = fresh(Recipe::Kind::Int);
      s->i = j.get<int64_t>();
      *out = std::move(s);
      return "";
    }
    case json::value_t::number_unsigned: {
      if (j.get<uint64_t>() > INT64_MAX) {
        return where.fail("integer beyond the signed 64-bit range");
      }
      auto s = fresh(Recipe::Kind::Int);
      s->i = j.get<int64_t>();
      *out = std::move(s);
      return "";
    }
    case json::value_t::number_float: {
      auto s = fresh(Recipe::Kind::Double);
      s->d = j.get<double>();
      *out = std::move(s);
      return "";
    }
    case json::value_t::boolean: {
      auto s = fresh(Recipe::Kind::Bool);
      s->b = j.get<bool>();
      *out = std::move(s);
      return "";
    }
    case json::value_t::null:
      *out = fresh(Recipe::Kind::Null);
      return "";
    case json::value_t::array: {
      auto s = fresh(Recipe::Kind::Array);
      for (size_t k = 0; k < j.size(); ++k) {
        RecipePtr item;
        std::string r = parse(j[k], inner, where.at(k), depth + 1, &item);
        if (!r.empty()) return r;
        s->items.push_back(std::move(item));
      }
      *out = std::move(s);
      return "";
    }
    case json::value_t::object: {
      if (j.size() == 1) {
        const std::string& tag = j.begin().key();
        const json& v = j.begin().value();
        RecipePtr tagged_out;
        std::string r = tagged(tag, v, context, where, depth, &tagged_out);
        if (!r.empty()) return r;
        if (tagged_out) {
          *out = std::move(tagged_out);
          return "";
        }
      }
      if (context == RecipeContext::Window) {
        return dictionary(j, inner, where, depth, out);
      }
      return where.fail(
          "unknown value form (an object must be one of {\"float\"}, "
          "{\"range\"}, {\"rect\"}, {\"point\"}, {\"size\"}, {\"ax_error\"}, "
          "{\"element\"}, {\"utf16\"}, {\"dict\"}, {\"data\"}, {\"other\"}, "
          "{\"error\"}, {\"none\"})");
    }
    default:
      return where.fail("not a value");
  }
}

}  // namespace

Where Where::at(std::string_view key) const {
  return Where{path.empty() ? std::string(key) : path + "." + std::string(key)};
}

Where Where::at(size_t index) const {
  return Where{path + "[" + std::to_string(index) + "]"};
}

std::string Where::fail(std::string_view what) const {
  return path.empty() ? std::string(what) : path + ": " + std::string(what);
}

bool within_depth(const json& j, int max_depth) {
  if (!j.is_array() && !j.is_object()) return true;
  if (max_depth <= 0) return false;
  for (const auto& item : j) {
    if (!within_depth(item, max_depth - 1)) return false;
  }
  return true;
}

bool parse_code(const json& j, int32_t* code) {
  if (!j.is_number_integer()) return false;
  if (j.is_number_unsigned()) {
    if (j.get<uint64_t>() > INT32_MAX) return false;
  } else {
    int64_t v = j.get<int64_t>();
    if (v < INT32_MIN || v > INT32_MAX) return false;
  }
  *code = static_cast<int32_t>(j.get<int64_t>());
  return true;
}

std::string parse_recipe(const json& j, RecipeContext context, const Where& where,
                       RecipePtr* out) {
  return RecipeParser().parse(j, context, where, 0, out);
}

void referenced_elements(const Recipe& recipe, std::vector<std::string>* ids) {
  if (recipe.kind == Recipe::Kind::Element) ids->push_back(recipe.element);
  for (const auto& item : recipe.items) referenced_elements(*item, ids);
  for (const auto& [key, member] : recipe.dict) {
    referenced_elements(*member, ids);
  }
}

cf::Ref materialize(const Recipe& recipe, const ElementMaker& element) {
  switch (recipe.kind) {
    case Recipe::Kind::String:
      return make_string(recipe.text);
    case Recipe::Kind::Int:
      return make_number(recipe.i);
    case Recipe::Kind::Double:
      return make_number(recipe.d);
    case Recipe::Kind::Bool:
      return cf::Ref(boolean_object(recipe.b));
    case Recipe::Kind::Null:
      return cf::Ref(null_object());
    case Recipe::Kind::Array: {
      std::vector<cf::Ref> items;
      items.reserve(recipe.items.size());
      for (const auto& item : recipe.items) {
        items.push_back(materialize(*item, element));
      }
      return make_array(std::move(items));
    }
    case Recipe::Kind::Dict: {
      std::map<std::string, cf::Ref> entries;
      for (const auto& [key, member] : recipe.dict) {
        entries[key] = materialize(*member, element);
      }
      return make_dictionary(std::move(entries));
    }
    case Recipe::Kind::AxValue: {
      AxValue v;
      v.value_type = recipe.value_type;
      for (int k = 0; k < 4; ++k) v.f[k] = recipe.f[k];
      v.location = recipe.location;
      v.length = recipe.length;
      v.error = recipe.code;
      return make_ax_value(v);
    }
    case Recipe::Kind::Element:
      return element(recipe.element);
    case Recipe::Kind::Data:
      return make_data(recipe.bytes);
    case Recipe::Kind::Other:
      return adopt_new(new Opaque);
    default:
      return cf::Ref();
  }
}

cf::Ref from_plain_json(const json& j) {
  switch (j.type()) {
    case json::value_t::string: {
      auto units = unicode::utf8_to_utf16(j.get_ref<const std::string&>());
      return make_string(units ? std::move(*units) : std::u16string());
    }
    case json::value_t::number_integer:
      return make_number(j.get<int64_t>());
    case json::value_t::number_unsigned:
      if (j.get<uint64_t>() <= INT64_MAX) {
        return make_number(j.get<int64_t>());
      }
      return make_number(j.get<double>());
    case json::value_t::number_float:
      return make_number(j.get<double>());
    case json::value_t::boolean:
      return cf::Ref(boolean_object(j.get<bool>()));
    case json::value_t::array: {
      std::vector<cf::Ref> items;
      for (const auto& item : j) items.push_back(from_plain_json(item));
      return make_array(std::move(items));
    }
    case json::value_t::object: {
      std::map<std::string, cf::Ref> entries;
      for (const auto& [key, member] : j.items()) {
        entries[key] = from_plain_json(member);
      }
      return make_dictionary(std::move(entries));
    }
    default:
      return cf::Ref(null_object());
  }
}

}  // namespace sim
