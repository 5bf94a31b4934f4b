// Injected failures of the frameworks' fallible calls.
//
// A fault names a call by its macOS name (a function, or the selector of an
// Objective-C message), optionally the accessibility attribute it asks for
// and the call site it comes from, and which of the matching calls fail:
// from the `call`-th (counted from 1 over the process's life, also for a
// fault added later) for `count` calls (0: every one from there on). Calls
// are counted per function, and per attribute and site where the fault
// names them, never by a global index: a session that makes the same calls
// fails the same ones, whatever the other threads do meanwhile.
//
// A failing call answers the way its macOS counterpart fails: an
// accessibility error code (`error`), null, nil, false, a nonzero status, or
// for CGEventTapEnable and CGEventPost nothing taking effect.
//
// Thread-safe; nothing here calls back into the rest of the desktop.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

struct Fault {
  std::string function;
  std::optional<std::string> attribute;  // accessibility calls only
  std::optional<uint64_t> site;          // a call site, as calls are traced
  uint64_t call = 1;
  uint64_t count = 1;                    // 0: from `call` on
  int32_t error = -25204;                // kAXErrorCannotComplete
};

struct FaultPlan {
  std::vector<Fault> faults;
  // Every counted call is logged (function, attribute, site, ordinals), so
  // that a harness can pick calls to fail.
  bool trace_calls = false;
};

// Reads one fault object (desktop file, or the "fault" action, whose
// "action" member is skipped). Returns "" or the reason.
std::string read_fault(const nlohmann::json& j, Fault* out);

// Whether `name` is a fallible call the helper makes, and whether it takes
// an attribute.
bool is_fallible_call(std::string_view name);
bool takes_attribute(std::string_view name);
// Every name is_fallible_call accepts.
const std::vector<std::string_view>& fallible_calls();

// Starts over with `plan`: counters back to zero (a new desktop).
void reset_faults(const FaultPlan& plan);
void add_fault(const Fault& fault);

// What one call made by the helper meets.
struct CallVerdict {
  bool fails = false;
  int32_t error = 0;                 // the injected error, when it fails
  uint64_t ordinal = 0;              // of the function's calls
  uint64_t site_ordinal = 0;         // of the function's calls from the site
  bool traced = false;               // call tracing is on
};

// Counts one call of `function` (asking for `attributes`, none for calls
// that name no attribute) from `site` and says whether it fails. A fault
// with an attribute matches a call that asks for it among others, and
// counts only such calls.
CallVerdict count_call(std::string_view function,
                       std::span<const std::string_view> attributes,
                       uint64_t site);

}  // namespace sim
