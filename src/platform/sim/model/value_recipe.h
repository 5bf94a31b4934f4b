// VALUEs of the desktop file: the recipe of an attribute value (or of a read
// outcome), parsed once and turned into fresh platform objects on every read.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ax.h"
#include "platform/cf.h"

namespace sim {

// Where a member sits in the desktop file; reasons name it.
struct Where {
  std::string path;
  Where at(std::string_view key) const;
  Where at(size_t index) const;
  // "<path>: <what>" (just <what> at the top).
  std::string fail(std::string_view what) const;
};

struct Recipe;
using RecipePtr = std::shared_ptr<const Recipe>;

struct Recipe {
  enum class Kind {
    String, Int, Double, Bool, Null, Array, Dict, AxValue, Element, Data,
    Other,
    ReadError,  // the read fails with `code`
    NoValue,    // the read succeeds without a value
    Remove,     // "set" actions only: the attribute goes away
  };
  Kind kind = Kind::Null;
  std::u16string text;
  int64_t i = 0;
  double d = 0;
  bool b = false;
  std::vector<RecipePtr> items;
  std::map<std::string, RecipePtr> dict;
  ax::ValueType value_type = ax::ValueType::Illegal;
  double f[4] = {0, 0, 0, 0};
  int64_t location = 0, length = 0;
  int32_t code = 0;      // AXError of an ax_error value or of a ReadError
  std::string element;   // element id
  std::vector<uint8_t> bytes;
};

enum class RecipeContext {
  Attribute,  // an attribute's read: {"error"} and {"none"} allowed
  Set,        // a "set" action: also {"remove": true}
  Nested,     // inside an array or dictionary
  Window,     // window descriptions: plain objects are dictionaries
};

// Parses one VALUE. Returns "" or the reason.
std::string parse_recipe(const nlohmann::json& j, RecipeContext context,
                       const Where& where, RecipePtr* out);

// Every element id a VALUE refers to.
void referenced_elements(const Recipe& recipe, std::vector<std::string>* ids);

// A fresh object for a value (null for ReadError/NoValue/Remove). Element
// ids are turned into element objects by `element`.
using ElementMaker = std::function<cf::Ref(const std::string& id)>;
cf::Ref materialize(const Recipe& recipe, const ElementMaker& element);

// Plain JSON (no VALUE forms) as platform objects: strings, numbers,
// booleans, null, arrays, dictionaries.
cf::Ref from_plain_json(const nlohmann::json& j);

// Whether `j` nests arrays and objects no deeper than `max_depth`. Checked
// before anything walks a document recursively.
bool within_depth(const nlohmann::json& j, int max_depth);

// An integer AXError code that fits 32 bits.
bool parse_code(const nlohmann::json& j, int32_t* code);

}  // namespace sim
