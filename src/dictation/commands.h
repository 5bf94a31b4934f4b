// Command lines of the dictate mode and their replies.
//
// A line is trimmed of White_Space; when it holds a space, the text before
// the first space may be a request id ("+" optional, ASCII digits, fits 64
// bits unsigned), and the rest, trimmed again, is the command. The command
// word runs up to the command's first space; everything after that space is
// the argument, unchanged. Every known command gets exactly one reply line,
// with "id" echoed when the payload is an object; anything else gets none.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "json/value.h"
#include "macos/app_accessibility.h"
#include "macos/paste.h"

namespace dictation {

struct Command {
  std::optional<uint64_t> id;
  std::string_view word;
  std::string_view argument;
};

// `line` must be valid UTF-8; the views point into it.
Command parse_command(std::string_view line);

// An optional "+" and one or more ASCII digits whose value fits 64 bits.
std::optional<uint64_t> parse_id(std::string_view text);

// An optional sign and one or more ASCII digits, in the signed 32-bit range,
// nothing else.
std::optional<int32_t> parse_pid(std::string_view text);

// The argument of "app_accessibility": a positive process id, then either
// nothing or one space and "enhanced". None when it is anything else.
struct AccessibilityRequest {
  int32_t pid = 0;
  bool enhanced = false;
};
std::optional<AccessibilityRequest> parse_accessibility_request(std::string_view argument);

// A complete JSON document whose value is a string, with JSON white space
// around it allowed, as the strict reader takes it (json/strict.h): a NUL
// anywhere refuses it, and nothing but a string is ever built.
bool is_json_string(std::string_view text);

// What the commands call. Production: the frontmost module's operations
// (`platform_operations`); tests give fakes.
struct Operations {
  std::function<frontmost::platform::PasteResult()> paste;
  std::function<json::Value()> caret_context;
  std::function<bool()> pasteboard_sensitive;
  std::function<json::Value()> screen_focus;
  std::function<json::Value(int32_t pid)> screen_text;
  std::function<frontmost::platform::AccessibilityResult(int32_t pid, bool enhanced)>
      app_accessibility;
};

struct Reply {
  std::string event;
  json::Value payload;
};

// The reply to one line (with "id" already added), or none.
std::optional<Reply> answer(std::string_view line, const Operations& ops);

// Answers one line: at most one operation, at most one line via `emit`.
// The platform's operations are in operations.h.
void handle(std::string_view line, const Operations& ops);

}  // namespace dictation
