// What the pieces of the desktop-file reader share; for the desktop_file*.cc
// files only. The reader is cut by the parts of the file it reads:
//   desktop_file.cc            the top-level members and parse_desktop
//   desktop_file_elements.cc   applications, elements, attributes, settable
//   desktop_file_events.cc     events, script, permissions, clock, delays
//   desktop_file_pasteboard.cc pasteboard, paste reaction, windows
//   desktop_file_accessibility.cc  an application's accessibility on request
// Every reader returns "" or the reason, which names the path of the fault.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/sim/model/desktop.h"
#include "platform/sim/model/desktop_file.h"

namespace sim::desktop_file_detail {

using json = nlohmann::json;

// Times and delays: long enough for any test, short enough that no clock
// arithmetic on them overflows.
inline constexpr double kMaxMilliseconds = 1e12;
inline constexpr const char* kMillisecondsExpected =
    "expected a number of milliseconds from 0 to 1e12";

inline bool is_milliseconds(const json& j) {
  return j.is_number() && j.get<double>() >= 0 &&
         j.get<double>() <= kMaxMilliseconds;
}

inline std::string expect_object(const json& j, const Where& where) {
  return j.is_object() ? "" : where.fail("expected an object");
}

inline bool is_int32(const json& j) {
  int32_t v;
  return parse_code(j, &v);
}

inline std::string parse_bool(const json& j, const Where& where, bool* out) {
  if (!j.is_boolean()) return where.fail("expected true or false");
  *out = j.get<bool>();
  return "";
}

// The readers one piece calls in another.

// The event settings ("tap", "input", "tap_timeout_ms", "control", "log",
// "script"), read from the whole file `root` after its other members.
std::string parse_events(const json& root, EventSettings* e);
std::string parse_permissions(const json& j, const Where& w, Permissions* p);
// An element id (recorded in `c` to be checked) or null.
std::string parse_focus(const json& j, const Where& w,
                        std::optional<std::string>* out, Collected* c);
// The "paste" member: what the focused application does on Command+V.
std::string parse_paste(const json& j, Desktop* d, Collected* c);
// An application's "accessibility_on_request".
std::string parse_on_request(const json& j, const Where& where,
                             std::optional<AccessibilityOnRequest>* out);
// Ends reading an application: gives it its process, checks what its
// members require of one another.
std::string finish_application(const Where& where, Application* app);

}  // namespace sim::desktop_file_detail
