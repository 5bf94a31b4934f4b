#include "platform/sim/model/faults.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/ax.h"

namespace sim {
namespace {

using json = nlohmann::json;

// The fallible calls the platform layer makes, by their macOS names; the
// accessibility requests that name an attribute first.
const std::vector<std::string_view> kAttributeCalls = {
    "AXUIElementCopyAttributeValue",
    "AXUIElementCopyAttributeValues",
    "AXUIElementCopyMultipleAttributeValues",
    "AXUIElementCopyParameterizedAttributeValue",
    "AXUIElementIsAttributeSettable",
    "AXUIElementSetAttributeValue",
};
const std::vector<std::string_view> kOtherCalls = {
    "AXUIElementCreateApplication",
    "AXUIElementGetPid",
    "AXUIElementSetMessagingTimeout",
    "AXValueCreate",
    "CFMachPortCreateRunLoopSource",
    "CGEventTapCreate",
    "CGEventTapEnable",
    "CGEventTapIsEnabled",
    "CGEventCreate",
    "CGEventCreateKeyboardEvent",
    "CGEventSourceCreate",
    "CGEventPost",
    "CGWindowListCopyWindowInfo",
    "CGRectMakeWithDictionaryRepresentation",
    "TISCopyCurrentASCIICapableKeyboardLayoutInputSource",
    "TISGetInputSourceProperty",
    "UCKeyTranslate",
    "dlopen",
    "dlsym",
    "objc_getClass",
    "proc_name",
    "proc_pidinfo",
    // Messages, by selector.
    "generalPasteboard",
    "types",
    "count",
    "length",
    "objectAtIndex:",
    "UTF8String",
    "stringWithUTF8String:",
    "isKindOfClass:",
    "runningApplicationWithProcessIdentifier:",
    "bundleIdentifier",
    "localizedName",
    "bundleURL",
    "bundleWithURL:",
    "objectForInfoDictionaryKey:",
};

const std::pair<const char*, ax::Error> kErrorNames[] = {
    {"cannot_complete", ax::kCannotComplete},
    {"api_disabled", ax::kAPIDisabled},
    {"invalid_element", ax::kInvalidUIElement},
    {"no_value", ax::kNoValue},
    {"failure", ax::kFailure},
    {"illegal_argument", ax::kIllegalArgument},
    {"not_implemented", ax::kNotImplemented},
};

std::optional<uint64_t> unsigned_of(const json& j) {
  if (j.is_number_unsigned()) return j.get<uint64_t>();
  if (j.is_number_integer() && j.get<int64_t>() >= 0) {
    return static_cast<uint64_t>(j.get<int64_t>());
  }
  return std::nullopt;
}

std::string read_error(const json& j, int32_t* out) {
  if (j.is_string()) {
    for (const auto& [name, code] : kErrorNames) {
      if (j == name) {
        *out = code;
        return "";
      }
    }
  } else if (j.is_number_integer() && j.get<int64_t>() >= INT32_MIN &&
             j.get<int64_t>() <= INT32_MAX && j.get<int64_t>() != 0) {
    *out = static_cast<int32_t>(j.get<int64_t>());
    return "";
  }
  return "\"error\" must be an accessibility error name or a nonzero code";
}

// Counters, from process start or the last desktop loaded.
struct Faults {
  std::mutex mu;
  std::vector<Fault> faults;
  bool trace = false;
  std::map<std::string, uint64_t, std::less<>> counts;
};

Faults& faults() {
  static auto* f = new Faults;  // lives as long as the process
  return *f;
}

std::string key(std::string_view function, std::string_view attribute,
                std::optional<uint64_t> site) {
  std::string k(function);
  k += '\x1f';
  k += attribute;
  k += '\x1f';
  if (site) k += std::to_string(*site);
  return k;
}

}  // namespace

bool takes_attribute(std::string_view name) {
  return std::find(kAttributeCalls.begin(), kAttributeCalls.end(), name) !=
         kAttributeCalls.end();
}

bool is_fallible_call(std::string_view name) {
  return takes_attribute(name) ||
         std::find(kOtherCalls.begin(), kOtherCalls.end(), name) !=
             kOtherCalls.end();
}

const std::vector<std::string_view>& fallible_calls() {
  static const auto* all = [] {
    auto* v = new std::vector<std::string_view>(kAttributeCalls);
    v->insert(v->end(), kOtherCalls.begin(), kOtherCalls.end());
    return v;
  }();
  return *all;
}

std::string read_fault(const json& j, Fault* out) {
  if (!j.is_object()) return "a fault must be a JSON object";
  Fault f;
  bool named = false;
  for (const auto& [k, v] : j.items()) {
    if (k == "action") continue;
    if (k == "function") {
      if (!v.is_string() || !is_fallible_call(v.get<std::string>())) {
        return "\"function\" must name a fallible call the helper makes";
      }
      f.function = v.get<std::string>();
      named = true;
    } else if (k == "attribute") {
      if (!v.is_string()) return "\"attribute\" must be a string";
      f.attribute = v.get<std::string>();
    } else if (k == "site") {
      std::optional<uint64_t> site = unsigned_of(v);
      if (!site) return "\"site\" must be an unsigned integer";
      f.site = site;
    } else if (k == "call" || k == "count") {
      std::optional<uint64_t> n = unsigned_of(v);
      if (!n || (k == "call" && *n == 0)) {
        return "\"" + k + "\" must be " +
               (k == "call" ? "a positive integer" : "an unsigned integer");
      }
      (k == "call" ? f.call : f.count) = *n;
    } else if (k == "error") {
      if (std::string r = read_error(v, &f.error); !r.empty()) return r;
    } else {
      return "unknown member \"" + k + "\"";
    }
  }
  if (!named) return "a fault must name its \"function\"";
  if (f.attribute && !takes_attribute(f.function)) {
    return "\"attribute\" is for the accessibility requests that name one";
  }
  *out = std::move(f);
  return "";
}

void reset_faults(const FaultPlan& plan) {
  Faults& f = faults();
  std::lock_guard lock(f.mu);
  f.faults = plan.faults;
  f.trace = plan.trace_calls;
  f.counts.clear();
}

void add_fault(const Fault& fault) {
  Faults& f = faults();
  std::lock_guard lock(f.mu);
  f.faults.push_back(fault);
}

CallVerdict count_call(std::string_view function,
                       std::span<const std::string_view> attributes,
                       uint64_t site) {
  Faults& f = faults();
  std::lock_guard lock(f.mu);
  auto bump = [&](std::string_view attr, std::optional<uint64_t> at) {
    return ++f.counts[key(function, attr, at)];
  };
  CallVerdict verdict;
  verdict.traced = f.trace;
  verdict.ordinal = bump("", std::nullopt);
  verdict.site_ordinal = bump("", site);
  // Per attribute asked for: [calls, calls from this site].
  std::vector<std::pair<uint64_t, uint64_t>> by_attribute;
  for (std::string_view a : attributes) {
    by_attribute.emplace_back(bump(a, std::nullopt), bump(a, site));
  }
  for (const Fault& rule : f.faults) {
    if (rule.function != function) continue;
    if (rule.site && *rule.site != site) continue;
    uint64_t n = rule.site ? verdict.site_ordinal : verdict.ordinal;
    if (rule.attribute) {
      auto it = std::find(attributes.begin(), attributes.end(), *rule.attribute);
      if (it == attributes.end()) continue;
      auto counts = by_attribute[static_cast<size_t>(it - attributes.begin())];
      n = rule.site ? counts.second : counts.first;
    }
    if (n < rule.call) continue;
    if (rule.count != 0 && n - rule.call >= rule.count) continue;
    verdict.fails = true;
    verdict.error = rule.error;
    break;
  }
  return verdict;
}

}  // namespace sim
