// Keyboard layouts of the simulated desktop and the translation of a key
// code to the UTF-16 units it types (what UCKeyTranslate answers).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/sim/model/value_recipe.h"

namespace sim {

enum class Layer { Plain = 0, Command = 1, Shift = 2 };

struct KeyOutput {
  bool given = false;   // false: not in this layer (falls back to plain)
  int32_t status = 0;   // nonzero: UCKeyTranslate fails with it
  std::u16string units;
};

// The layout data handed out as kTISPropertyUnicodeKeyLayoutData: the bytes
// of the data object point at this structure.
struct Layout {
  static constexpr uint32_t kMagic = 0x51434b4c;
  uint32_t magic = kMagic;
  KeyOutput keys[3][128];

  // The key's output in `layer`, falling back to the plain layer; a key
  // given nowhere types nothing.
  const KeyOutput& lookup(Layer layer, uint16_t keycode) const;
};

struct KeyboardSettings {
  bool input_source = true;
  bool layout_data = true;
  uint8_t kbd_type = 40;
  std::shared_ptr<const Layout> layout;
};

// A built-in layout: "us", "dvorak", "dvorak_qwerty_command" or "none".
std::shared_ptr<Layout> builtin_layout(std::string_view name);

// Parses the "keyboard" member (a name or an object). Returns "" or the
// reason.
std::string parse_keyboard(const nlohmann::json& j, const Where& where,
                           KeyboardSettings* out);

// UCKeyTranslate over a layout: the layer is Shift when `modifier_state` has
// the shift bit, else Command when it has the command bit, else Plain.
int32_t translate(const Layout& layout, uint16_t keycode,
                  uint32_t modifier_state, uint64_t max_length,
                  uint64_t* length, char16_t* units);

}  // namespace sim
