#include "e2e/steps.h"

#include <charconv>

namespace e2e {
namespace {

inline constexpr cg::Flags kNonCoalesced = 0x100;
inline constexpr cg::Flags kDeviceLeftShift = 0x2;

struct Key {
  std::string_view name;
  uint16_t keycode;  // virtual key code (ANSI layout positions)
  cg::Flags modifier_bits;  // 0 for a key that is not a modifier
};

constexpr Key kKeys[] = {
    {"right_option", 61, cg::kFlagAlternate | cg::kFlagDeviceRightAlternate},
    {"shift", 56, cg::kFlagShift | kDeviceLeftShift},
    {"space", 49, 0},
};

bool read_pause(std::string_view word, int* ms) {
  if (word.size() < 3 || word.substr(word.size() - 2) != "ms") return false;
  std::string_view digits = word.substr(0, word.size() - 2);
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), *ms);
  return error == std::errc() && end == digits.data() + digits.size() && *ms >= 0 &&
         *ms <= kLongestPauseMs;
}

}  // namespace

std::string parse_steps(std::span<const std::string_view> words, std::vector<Step>* out) {
  if (words.empty()) return "no step to post";
  std::vector<Step> steps;
  cg::Flags held = 0;
  for (std::string_view word : words) {
    Step step;
    if (read_pause(word, &step.pause_ms)) {
      steps.push_back(step);
      continue;
    }
    size_t colon = word.find(':');
    std::string_view name = word.substr(0, colon);
    std::string_view state = colon == std::string_view::npos ? "" : word.substr(colon + 1);
    const Key* key = nullptr;
    for (const Key& k : kKeys) key = k.name == name ? &k : key;
    if (!key || (state != "down" && state != "up")) {
      return "not a step: " + std::string(word) +
             " (right_option, shift or space with :down or :up, or a pause such as 200ms)";
    }
    step.is_key = true;
    step.key.keycode = key->keycode;
    step.key.down = state == "down";
    step.key.modifier = key->modifier_bits != 0;
    if (step.key.modifier) {
      bool is_held = (held & key->modifier_bits) == key->modifier_bits;
      if (step.key.down == is_held) {
        return std::string(word) + ": " + std::string(name) +
               (is_held ? " is already down" : " is not down");
      }
      held = step.key.down ? held | key->modifier_bits : held & ~key->modifier_bits;
    }
    step.key.flags = held | kNonCoalesced;
    steps.push_back(step);
  }
  *out = std::move(steps);
  return "";
}

}  // namespace e2e
