// The desktop-file reader's pasteboard side: the pasteboard, the paste
// reaction to Command+V, and the window list.
#include "platform/sim/model/desktop_file.h"

#include "platform/sim/model/desktop_file_parts.h"

namespace sim {

using namespace desktop_file_detail;

std::string desktop_file_detail::parse_paste(const json& j, Desktop* d,
                                             Collected* c) {
  Where w{"paste"};
  if (std::string r = expect_object(j, w); !r.empty()) return r;
  PasteReaction p;
  for (const auto& [key, v] : j.items()) {
    Where m = w.at(key);
    std::string r;
    if (key == "delay_ms") {
      r = parse_delay(v, m, &p.delay_ms);
    } else if (key == "focus") {
      p.moves_focus = true;
      r = parse_focus(v, m, &p.focus, c);
    } else if (key == "set") {
      if (!v.is_array()) return m.fail("expected an array");
      for (size_t k = 0; k < v.size() && r.empty(); ++k) {
        Where s = m.at(k);
        const json& item = v[k];
        if (!item.is_object() || !item.contains("element") ||
            !item["element"].is_string()) {
          return s.fail("expected {\"element\": id, \"attributes\": {...}}");
        }
        PasteReaction::Set set;
        set.element = item["element"].get<std::string>();
        c->refs.push_back({set.element, s.at("element").path});
        for (const auto& [name, member] : item.items()) {
          if (name == "element") continue;
          if (name != "attributes") return s.at(name).fail("unknown member");
          r = parse_attributes(member, RecipeContext::Set, s.at(name), c,
                               &set.attributes);
        }
        p.sets.push_back(std::move(set));
      }
    } else {
      r = m.fail("unknown member");
    }
    if (!r.empty()) return r;
  }
  d->paste = std::move(p);
  return "";
}

std::string parse_pasteboard(const json& j, const Where& where,
                             std::optional<Pasteboard>* out) {
  if (j.is_null()) {
    out->reset();
    return "";
  }
  if (!j.is_object()) return where.fail("expected an object or null");
  Pasteboard p;
  for (const auto& [key, v] : j.items()) {
    Where w = where.at(key);
    if (key != "types") return w.fail("unknown member");
    if (v.is_null()) {
      p.has_types = false;
      continue;
    }
    if (!v.is_array()) return w.fail("expected an array or null");
    for (size_t k = 0; k < v.size(); ++k) {
      if (v[k].is_null()) {
        p.types.emplace_back();
      } else if (v[k].is_string()) {
        p.types.emplace_back(v[k].get<std::string>());
      } else {
        return w.at(k).fail("expected a type name or null");
      }
    }
  }
  *out = std::move(p);
  return "";
}

std::string parse_windows(const json& j, const Where& where,
                          std::optional<std::vector<RecipePtr>>* out) {
  if (j.is_null()) {
    out->reset();
    return "";
  }
  if (!j.is_array()) return where.fail("expected an array or null");
  std::vector<RecipePtr> windows;
  for (size_t k = 0; k < j.size(); ++k) {
    RecipePtr w;
    std::string r = parse_recipe(j[k], RecipeContext::Window, where.at(k), &w);
    if (!r.empty()) return r;
    windows.push_back(std::move(w));
  }
  *out = std::move(windows);
  return "";
}

}  // namespace sim
