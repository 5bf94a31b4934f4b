#include "dictation/commands.h"

#include <array>
#include <limits>
#include <utility>

#include "dictation/emit.h"
#include "json/strict.h"
#include "unicode/properties.h"

namespace dictation {
namespace {

using frontmost::platform::PasteResult;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits only, at least one; none when the value exceeds `limit`.
std::optional<uint64_t> digits_value(std::string_view text, uint64_t limit) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (!is_digit(c)) return std::nullopt;
    auto digit = static_cast<uint64_t>(c - '0');
    if (value > (limit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

json::Value empty_object() { return json::Value::object(); }

json::Value reason(const char* text) {
  json::Value payload = json::Value::object();
  payload["reason"] = text;
  return payload;
}

// A command with text of its own: this process never writes the pasteboard.
Reply refuse_text(std::string_view argument) {
  return {"paste_failed",
          reason(is_json_string(argument) ? "unsupported_platform" : "bad_text")};
}

std::optional<Reply> paste(const Operations& ops, std::string_view argument) {
  if (!argument.empty()) return refuse_text(argument);
  PasteResult result = ops.paste();
  switch (result.outcome) {
    case PasteResult::Outcome::Pasted:
      return Reply{"pasted", empty_object()};
    case PasteResult::Outcome::NotConfirmed:
      return Reply{"paste_unconfirmed", empty_object()};
    case PasteResult::Outcome::Failed:
      break;
  }
  json::Value payload = json::Value::object();
  payload["reason"] = result.reason;
  return Reply{"paste_failed", std::move(payload)};
}

std::optional<Reply> copy(const Operations&, std::string_view argument) {
  if (argument.empty()) return std::nullopt;
  return refuse_text(argument);
}

std::optional<Reply> context(const Operations& ops, std::string_view) {
  return Reply{"context", ops.caret_context()};
}

std::optional<Reply> clipboard(const Operations& ops, std::string_view) {
  json::Value payload = json::Value::object();
  payload["sensitive"] = ops.pasteboard_sensitive();
  return Reply{"clipboard", std::move(payload)};
}

std::optional<Reply> screen_focus(const Operations& ops, std::string_view) {
  return Reply{"screen_focus", ops.screen_focus()};
}

// An argument that is not a process id is answered, with no members.
std::optional<Reply> screen_text(const Operations& ops, std::string_view argument) {
  std::optional<int32_t> pid = parse_pid(argument);
  return Reply{"screen_text", pid ? ops.screen_text(*pid) : empty_object()};
}

// Turning on an application's accessibility; a malformed argument sets
// nothing and is answered "bad_argument".
std::optional<Reply> app_accessibility(const Operations& ops, std::string_view argument) {
  json::Value payload = json::Value::object();
  std::optional<AccessibilityRequest> request = parse_accessibility_request(argument);
  payload["result"] = request ? std::string(frontmost::platform::result_word(
                                    ops.app_accessibility(request->pid, request->enhanced)))
                              : std::string("bad_argument");
  return Reply{"app_accessibility", std::move(payload)};
}

using Run = std::optional<Reply> (*)(const Operations&, std::string_view argument);

// The command words, compared byte for byte.
constexpr std::array<std::pair<std::string_view, Run>, 7> kCommands{{
    {"paste", &paste},
    {"copy", &copy},
    {"context", &context},
    {"clipboard", &clipboard},
    {"screen_focus", &screen_focus},
    {"screen_text", &screen_text},
    {"app_accessibility", &app_accessibility},
}};

}  // namespace

std::optional<uint64_t> parse_id(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return digits_value(text, std::numeric_limits<uint64_t>::max());
}

std::optional<int32_t> parse_pid(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // The magnitude of the most negative value is one more than the largest.
  uint64_t limit = uint64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
  std::optional<uint64_t> magnitude = digits_value(text, limit);
  if (!magnitude) return std::nullopt;
  int64_t value = negative ? -static_cast<int64_t>(*magnitude)
                           : static_cast<int64_t>(*magnitude);
  return static_cast<int32_t>(value);
}

std::optional<AccessibilityRequest> parse_accessibility_request(std::string_view argument) {
  size_t space = argument.find(' ');
  std::optional<int32_t> pid = parse_pid(argument.substr(0, space));
  if (!pid || *pid <= 0) return std::nullopt;
  if (space != std::string_view::npos && argument.substr(space + 1) != "enhanced") {
    return std::nullopt;
  }
  return AccessibilityRequest{*pid, space != std::string_view::npos};
}

bool is_json_string(std::string_view text) {
  json::Value value;
  return json::parse_strictly(text, &value, json::Expect::String).empty();
}

Command parse_command(std::string_view line) {
  Command command;
  std::string_view rest = unicode::trim_white_space(line);
  if (size_t space = rest.find(' '); space != std::string_view::npos) {
    if ((command.id = parse_id(rest.substr(0, space))))
      rest = unicode::trim_white_space(rest.substr(space + 1));
  }
  size_t space = rest.find(' ');
  command.word = rest.substr(0, space);
  if (space != std::string_view::npos) command.argument = rest.substr(space + 1);
  return command;
}

std::optional<Reply> answer(std::string_view line, const Operations& ops) {
  Command command = parse_command(line);
  for (const auto& [word, run] : kCommands) {
    if (word != command.word) continue;
    std::optional<Reply> reply = run(ops, command.argument);
    if (reply && command.id && reply->payload.is_object())
      reply->payload["id"] = *command.id;
    return reply;
  }
  return std::nullopt;
}

void handle(std::string_view line, const Operations& ops) {
  if (std::optional<Reply> reply = answer(line, ops))
    emit(reply->event, reply->payload);
}

}  // namespace dictation
