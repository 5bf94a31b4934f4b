// Random accessibility trees walked by the two screen reports. The input
// bytes steer a small builder: elements with roles, frames, texts (lone
// surrogates, huge and blank ones), values of the wrong type, read errors,
// references that make cycles (children, parents, windows, title elements),
// short delays and applications that over-answer ranges. Every run checks
// the reports' shapes and bounds, and that the platform objects the reports
// took are all given back exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "macos_screen/focus.h"
#include "macos_screen/text.h"
#include "platform/sim/model/audit.h"
#include "platform/sim/sim.h"

namespace {

using nlohmann::json;

void check(bool ok) {
  if (!ok) std::abort();
}

// Reads the input a byte at a time; zeros once it runs out.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  size_t below(size_t n) { return n ? next() % n : 0; }
  bool chance(unsigned in) { return below(in) == 0; }
  bool left() const { return at_ < size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

const char* const kRoles[] = {"AXWindow",   "AXGroup",       "AXStaticText", "AXTextField",
                              "AXTextArea", "AXButton",      "AXScrollArea", "AXWebArea",
                              "AXLink",     "AXSecureTextField", "AXHeading", "AXRow"};
const char* const kWords[] = {"alpha", "2024", "v2.pdf", " ", "\t", "\u00a0", "\u3000",
                              "\u00e9t\u00e9", "\U0001F600", "12:30", "\u2166", "x"};

std::string id(size_t k) { return "e" + std::to_string(k); }

json text(Bytes& in) {
  if (in.chance(8)) {  // raw units: lone surrogates, pairs in pieces
    json units = json::array();
    for (size_t n = in.below(12); n > 0; --n)
      units.push_back(in.chance(2) ? 0xD800 + in.below(0x800) : 0x20 + in.below(0x60));
    return {{"utf16", units}};
  }
  std::string out;
  size_t repeat = in.chance(16) ? 2000 + in.below(4) * 3000 : 1;
  for (size_t n = in.below(10); n > 0; --n) out += kWords[in.below(std::size(kWords))];
  std::string piece = out;
  for (size_t r = 1; r < repeat; ++r) out += piece + " ";
  return out;
}

// A value for any attribute: mostly the right kind for `name`, sometimes
// another kind, a read error, no value, or an element of the tree.
json value(Bytes& in, const std::string& name, size_t elements) {
  switch (in.below(10)) {
    case 0: return {{"error", -25200 - static_cast<int>(in.below(15))}};
    case 1: return {{"none", true}};
    case 2: return {{"element", id(in.below(elements))}};
    case 3: return static_cast<int>(in.next()) - 100;
    case 4: return json::array({text(in)});
    default: break;
  }
  if (name == "AXFrame") {
    auto n = [&] { return static_cast<double>(in.next()) * 4 - 100; };
    return {{"rect", {n(), n(), n(), n()}}};
  }
  if (name == "AXSelectedTextRange") {
    return {{"range", {static_cast<int>(in.next()) * (in.chance(3) ? 40 : 1) - 10, in.below(4)}}};
  }
  if (name == "AXChildren" || name == "AXVisibleChildren") {
    json list = json::array();
    for (size_t n = in.below(5); n > 0; --n) list.push_back({{"element", id(in.below(elements))}});
    return list;
  }
  if (name == "AXParent" || name == "AXWindow" || name == "AXTitleUIElement" ||
      name == "AXEditableAncestor") {
    return {{"element", id(in.below(elements))}};
  }
  if (name == "AXRole") return kRoles[in.below(std::size(kRoles))];
  return text(in);
}

const char* const kNames[] = {"AXRole",      "AXSubrole",           "AXTitle",
                              "AXDescription", "AXPlaceholderValue", "AXHelp",
                              "AXIdentifier", "AXDOMIdentifier",    "AXValue",
                              "AXFrame",      "AXSelectedTextRange", "AXChildren",
                              "AXVisibleChildren", "AXParent",      "AXWindow",
                              "AXTitleUIElement", "AXEditableAncestor"};

json element(Bytes& in, size_t k, size_t elements) {
  json attributes = {{"AXRole", kRoles[in.below(std::size(kRoles))]}};
  if (!in.chance(4)) attributes["AXFrame"] = value(in, "AXFrame", elements);
  for (size_t n = in.below(7); n > 0; --n) {
    std::string name = kNames[in.below(std::size(kNames))];
    attributes[name] = value(in, name, elements);
  }
  json e = {{"id", id(k)}, {"attributes", attributes}};
  if (in.chance(6)) e["delay_ms"] = in.below(3);
  if (in.chance(6)) e["parameterized"] = {{"AXStringForRange", text(in)}};
  if (in.chance(12)) e["multiple"] = in.chance(2) ? json{{"count", in.below(4)}} : json{{"error", -25204}};
  return e;
}

// The elements as a tree: each after the first hangs under an earlier one,
// besides whatever references its attributes make.
json desktop(Bytes& in, int32_t pid) {
  size_t elements = 1 + in.below(40);
  std::vector<json> nodes;
  std::vector<size_t> parent(elements, 0);
  for (size_t k = 0; k < elements; ++k) {
    nodes.push_back(element(in, k, elements));
    if (k > 0) parent[k] = in.below(k);
  }
  for (size_t k = elements; k-- > 1;) nodes[parent[k]]["children"].push_back(nodes[k]);
  json app = {{"pid", pid}, {"name", "Fuzzed"}, {"bundle_id", "com.example.fuzzed"}, {"ui", nodes[0]}};
  if (in.chance(8)) app["lookup_delay_ms"] = in.below(3);
  return {{"applications", {app}}, {"focus", id(in.below(elements))}};
}

uint64_t scalars(const std::string& s) {
  uint64_t n = 0;
  for (unsigned char b : s) n += (b & 0xC0) != 0x80;
  return n;
}

uint64_t utf16_units(const std::string& s) {
  uint64_t n = 0;
  for (unsigned char b : s) n += (b & 0xC0) != 0x80 ? (b >= 0xF0 ? 2 : 1) : 0;
  return n;
}

void check_focus(const json& report, int32_t pid) {
  check(report.is_object());
  if (!report.value("focused", true)) {
    check(report.size() == 1);
    return;
  }
  for (const char* key : {"complete", "secure"}) check(report.at(key).is_boolean());
  check(report.at("pid") == pid);
  for (const char* key : {"bundle_id", "app", "category", "role", "subrole", "window_title"}) {
    check(report.at(key).is_string() || report.at(key).is_null());
  }
  if (report["window_title"].is_string()) check(scalars(report["window_title"]) <= 503);
  check(report.at("labels").is_array() && report["labels"].size() <= 7);
  for (const json& label : report["labels"]) {
    check(label.is_string() && !label.get<std::string>().empty() && scalars(label) <= 203);
  }
  check(report.size() == 11);
}

void check_text(const json& report) {
  check(report.is_object());
  if (report.empty()) return;
  check(report.size() == 2);
  check(report.at("before").is_null() ||
        (report["before"].is_string() && utf16_units(report["before"]) <= 150));
  // Kept texts and the line feeds between them count against one limit.
  check(report.at("text").is_string() && scalars(report["text"]) <= 1000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const int32_t pid = 4242;
  std::string refused = sim::load_for_test(desktop(in, pid).dump());
  if (!refused.empty()) return 0;
  int64_t before = sim::audit().total_live();
  int64_t over = sim::audit().over_releases;
  nlohmann::json focus = frontmost::platform::screen::focus();
  check_focus(focus, pid);
  nlohmann::json text = frontmost::platform::screen::text(in.chance(4) ? pid + 1 : pid);
  check_text(text);
  if (!focus.value("complete", false) || focus.value("secure", true)) check(text.empty());
  // The text report took the element the focus report remembered: nothing
  // the two took is still held, and nothing was given back twice.
  check(sim::audit().total_live() == before);
  check(sim::audit().over_releases == over);
  return 0;
}
