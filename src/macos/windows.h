// The on-screen window list: ordinary windows (layer 0) that are not fully
// transparent and measure at least 40 by 40, as records for the host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "json/value.h"

namespace frontmost::platform::cg_windows {

// On screen only, without desktop elements, relative to no window.
inline constexpr uint32_t kListOptions = 1 + 16;
inline constexpr uint32_t kRelativeTo = 0;
inline constexpr double kSmallestSide = 40;
inline constexpr size_t kMostRecords = 64;

// At most kMostRecords records, in the system's order; entries past the
// last record are never looked at. Each record has exactly "id", "pid"
// (integers), "app" (string) and "x", "y", "width", "height" (floating
// point), any of them null when the description lacks a usable value.
// Never fails: no window list from the system gives an empty array. Keeps
// no state; safe on any thread.
json::Value list();

}  // namespace frontmost::platform::cg_windows
