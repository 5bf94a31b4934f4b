// The simulated desktop behind the platform layer on non-Apple builds.
//
// It stands in for the operating system: other applications and their
// accessibility trees, the keyboard layout, the pasteboard, the window list,
// input devices and event taps. It is read from the desktop file named by
// QUORVEL_DESKTOP on the first use of the platform layer (unset: the empty
// desktop). Nothing here ever writes to standard output.
//
// Two halves share this header:
//  - the data side (desktop file, objects, accessibility, Carbon, the object
//    runtime, the window list, process names);
//  - the event side (run loops, the main queue, taps, input state, posting,
//    the control FIFO, the script and the effects log).
//
// The code is in three layers, each calling only the layers below it:
// api/ the frameworks' calls the helper makes (one file per simulated
// framework), drive/ the running desktop (run loops, taps and the delivery
// of input, the event side's state, the control FIFO, the script, the
// actions), model/ the desktop at rest (its file, data and objects, the
// clocks, the effects log, the audit); testing/ holds the fixture of
// in-process tests. This header is the simulator's own interface: each
// function below is defined in the lowest layer that can.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "stream/exit_status.h"

namespace sim {

// Exit status of a process whose desktop file cannot be used.
inline constexpr int kBadDesktopStatus = stream::exit_status::kBadDesktop;

// Loads the desktop once (thread-safe). A desktop file that cannot be read or
// is not a valid desktop: one line on standard error, then the process exits
// with kBadDesktopStatus.
void ensure_loaded();

// Tests only: replaces the whole desktop by the one described by `text`
// (same format as the file). Returns "" or the reason it is not valid.
std::string load_for_test(std::string_view text);

// Parses and validates a desktop file's text without touching the loaded
// desktop. Returns "" or the reason. (Fuzzed.)
std::string check_desktop(std::string_view text);

// ---- data side -------------------------------------------------------------

struct ScriptItem {
  double at_ms = 0;           // after the first tap is enabled
  nlohmann::json action;
};

// The settings of the event side, as read from the desktop file.
struct EventSettings {
  bool tap_refused = false;
  // How long the system waits on an active tap that no longer gets events
  // (its permission withdrawn) before it disables it by time-out.
  double tap_timeout_ms = 1000;
  uint64_t flags = 0;
  // false: the HID flag state leaves out the device bits (0x40, 0x10,
  // 0x2000, ...), as some systems do for a process with an active tap.
  bool hid_device_bits = true;
  bool left_button = false;
  double pointer_x = 0, pointer_y = 0;
  std::string control_path;   // FIFO of actions, or empty
  std::string log_path;       // effects log, or empty
  std::vector<ScriptItem> script;
};
EventSettings event_settings();

// Applies one action that changes the desktop's data (attributes, focus,
// secure input, pasteboard, windows, applications, ...). Returns "" when
// applied, otherwise the reason it was not (the caller logs it). Returns
// "unknown action" for actions that belong to the event side.
std::string apply_data_action(const nlohmann::json& action);

// The permissions of the current desktop.
bool accessibility_granted();
bool input_monitoring_granted();
// Sets either or both (none: unchanged).
void set_permissions(std::optional<bool> accessibility,
                     std::optional<bool> input_monitoring);

// Called for every key event posted: runs the desktop's paste reaction when a
// Command+V key-down reaches the focused application.
void key_posted(uint16_t keycode, bool key_down, uint64_t flags);

// ---- event side ------------------------------------------------------------

// Appends one line to the effects log (if the desktop names one), after
// starting the event side, which opens the log.
void log_effect(const nlohmann::json& line);
// Whether log_effect writes anywhere: callers on hot paths build lines only
// then.
bool log_enabled();

// Applies one action (either side). Returns "" or the reason.
std::string apply_action(const nlohmann::json& action);

}  // namespace sim
