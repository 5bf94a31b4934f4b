// Keyboard layouts: the built-in US and Dvorak layouts, custom layouts from
// the desktop file, and key translation.
#include "platform/sim/model/keyboard.h"

#include <utility>

#include "platform/library.h"
#include "unicode/utf8.h"

namespace sim {
namespace {

constexpr int32_t kParamErr = -50;
constexpr int32_t kOutputBufferTooSmall = -25340;

// ANSI key codes of the US layout: {code, plain, shifted}.
struct UsKey {
  uint16_t code;
  char plain, shifted;
};
constexpr UsKey kUsKeys[] = {
    {0, 'a', 'A'},  {1, 's', 'S'},  {2, 'd', 'D'},  {3, 'f', 'F'},
    {4, 'h', 'H'},  {5, 'g', 'G'},  {6, 'z', 'Z'},  {7, 'x', 'X'},
    {8, 'c', 'C'},  {9, 'v', 'V'},  {11, 'b', 'B'}, {12, 'q', 'Q'},
    {13, 'w', 'W'}, {14, 'e', 'E'}, {15, 'r', 'R'}, {16, 'y', 'Y'},
    {17, 't', 'T'}, {18, '1', '!'}, {19, '2', '@'}, {20, '3', '#'},
    {21, '4', '$'}, {22, '6', '^'}, {23, '5', '%'}, {24, '=', '+'},
    {25, '9', '('}, {26, '7', '&'}, {27, '-', '_'}, {28, '8', '*'},
    {29, '0', ')'}, {30, ']', '}'}, {31, 'o', 'O'}, {32, 'u', 'U'},
    {33, '[', '{'}, {34, 'i', 'I'}, {35, 'p', 'P'}, {36, '\r', '\r'},
    {37, 'l', 'L'}, {38, 'j', 'J'}, {39, '\'', '"'}, {40, 'k', 'K'},
    {41, ';', ':'}, {42, '\\', '|'}, {43, ',', '<'}, {44, '/', '?'},
    {45, 'n', 'N'}, {46, 'm', 'M'}, {47, '.', '>'}, {48, '\t', '\t'},
    {49, ' ', ' '}, {50, '`', '~'}, {51, '\b', '\b'}, {53, 0x1b, 0x1b},
    {65, '.', '.'}, {67, '*', '*'}, {69, '+', '+'}, {75, '/', '/'},
    {76, 0x03, 0x03}, {78, '-', '-'}, {81, '=', '='}, {82, '0', '0'},
    {83, '1', '1'}, {84, '2', '2'}, {85, '3', '3'}, {86, '4', '4'},
    {87, '5', '5'}, {88, '6', '6'}, {89, '7', '7'}, {91, '8', '8'},
    {92, '9', '9'},
};

// Dvorak over the same keys: the QWERTY character of a key -> the Dvorak
// character it types, unshifted and shifted.
struct Swap {
  char qwerty, plain, shifted;
};
constexpr Swap kDvorak[] = {
    {'q', '\'', '"'}, {'w', ',', '<'}, {'e', '.', '>'}, {'r', 'p', 'P'},
    {'t', 'y', 'Y'},  {'y', 'f', 'F'}, {'u', 'g', 'G'}, {'i', 'c', 'C'},
    {'o', 'r', 'R'},  {'p', 'l', 'L'}, {'[', '/', '?'}, {']', '=', '+'},
    {'a', 'a', 'A'},  {'s', 'o', 'O'}, {'d', 'e', 'E'}, {'f', 'u', 'U'},
    {'g', 'i', 'I'},  {'h', 'd', 'D'}, {'j', 'h', 'H'}, {'k', 't', 'T'},
    {'l', 'n', 'N'},  {';', 's', 'S'}, {'\'', '-', '_'}, {'z', ';', ':'},
    {'x', 'q', 'Q'},  {'c', 'j', 'J'}, {'v', 'k', 'K'}, {'b', 'x', 'X'},
    {'n', 'b', 'B'},  {'m', 'm', 'M'}, {',', 'w', 'W'}, {'.', 'v', 'V'},
    {'/', 'z', 'Z'},  {'-', '[', '{'}, {'=', ']', '}'},
};

KeyOutput text(char c) {
  KeyOutput k;
  k.given = true;
  k.units = std::u16string(1, static_cast<char16_t>(static_cast<uint8_t>(c)));
  return k;
}

void fill_us(Layout& l, int layer_plain, int layer_shift) {
  for (const auto& key : kUsKeys) {
    l.keys[layer_plain][key.code] = text(key.plain);
    l.keys[layer_shift][key.code] = text(key.shifted);
  }
}

void fill_dvorak(Layout& l) {
  fill_us(l, 0, 2);
  for (const auto& key : kUsKeys) {
    if (key.code >= 64) continue;  // the keypad stays as it is
    for (const auto& swap : kDvorak) {
      if (swap.qwerty == key.plain) {
        l.keys[0][key.code] = text(swap.plain);
        l.keys[2][key.code] = text(swap.shifted);
      }
    }
  }
}

using json = nlohmann::json;

std::string parse_output(const json& j, const Where& where, KeyOutput* out) {
  out->given = true;
  if (j.is_string()) {
    auto units = unicode::utf8_to_utf16(j.get_ref<const std::string&>());
    if (!units) return where.fail("string is not valid UTF-8");
    out->units = std::move(*units);
    return "";
  }
  if (j.is_object() && j.size() == 1 && j.contains("units")) {
    const json& u = j["units"];
    if (!u.is_array()) return where.fail("\"units\" must be an array");
    for (size_t k = 0; k < u.size(); ++k) {
      if (!u[k].is_number_unsigned() || u[k].get<uint64_t>() > 0xFFFF) {
        return where.at("units").at(k).fail("expected a code unit 0..65535");
      }
      out->units += static_cast<char16_t>(u[k].get<uint64_t>());
    }
    return "";
  }
  if (j.is_object() && j.size() == 1 && j.contains("status")) {
    if (!parse_code(j["status"], &out->status) || out->status == 0) {
      return where.at("status").fail("expected a nonzero 32-bit status");
    }
    return "";
  }
  return where.fail(
      "expected a string, {\"units\": [...]} or {\"status\": code}");
}

std::string parse_layer(const json& j, const Where& where, Layout& layout,
                        Layer layer) {
  if (!j.is_object()) return where.fail("expected an object of key codes");
  for (const auto& [key, output] : j.items()) {
    size_t code = 0;
    bool digits = !key.empty() && key.size() <= 3 &&
                  (key == "0" || key[0] != '0');
    for (char c : key) {
      if (c < '0' || c > '9') digits = false;
      else code = code * 10 + static_cast<size_t>(c - '0');
    }
    if (!digits || code > 127) {
      return where.fail("\"" + key + "\" is not a key code \"0\"..\"127\"");
    }
    KeyOutput k;
    std::string r = parse_output(output, where.at(key), &k);
    if (!r.empty()) return r;
    layout.keys[static_cast<int>(layer)][code] = std::move(k);
  }
  return "";
}

}  // namespace

const KeyOutput& Layout::lookup(Layer layer, uint16_t keycode) const {
  static const KeyOutput nothing;
  if (keycode > 127) return nothing;
  const KeyOutput& k = keys[static_cast<int>(layer)][keycode];
  if (k.given) return k;
  const KeyOutput& plain = keys[0][keycode];
  return plain.given ? plain : nothing;
}

std::shared_ptr<Layout> builtin_layout(std::string_view name) {
  auto l = std::make_shared<Layout>();
  if (name == "us") {
    fill_us(*l, 0, 2);
  } else if (name == "dvorak") {
    fill_dvorak(*l);
  } else if (name == "dvorak_qwerty_command") {
    fill_dvorak(*l);
    for (const auto& key : kUsKeys) l->keys[1][key.code] = text(key.plain);
  } else if (name != "none") {
    return nullptr;
  }
  return l;
}

std::string parse_keyboard(const json& j, const Where& where,
                           KeyboardSettings* out) {
  static const char* kNames =
      "\"us\", \"dvorak\", \"dvorak_qwerty_command\" or \"none\"";
  if (j.is_string()) {
    auto l = builtin_layout(j.get_ref<const std::string&>());
    if (!l) return where.fail(std::string("unknown layout; expected ") + kNames);
    out->layout = std::move(l);
    return "";
  }
  if (!j.is_object()) {
    return where.fail(std::string("expected a layout name (") + kNames +
                      ") or an object");
  }
  std::shared_ptr<Layout> layout = builtin_layout("us");
  if (j.contains("base")) {
    const json& b = j["base"];
    if (b.is_string()) layout = builtin_layout(b.get_ref<const std::string&>());
    if (!b.is_string() || !layout) {
      return where.at("base").fail(std::string("expected ") + kNames);
    }
  }
  for (const auto& [key, member] : j.items()) {
    Where w = where.at(key);
    if (key == "base") continue;
    if (key == "input_source" || key == "layout_data") {
      if (!member.is_boolean()) return w.fail("expected true or false");
      (key == "input_source" ? out->input_source : out->layout_data) =
          member.get<bool>();
    } else if (key == "kbd_type") {
      if (!member.is_number_unsigned() || member.get<uint64_t>() > 255) {
        return w.fail("expected an integer 0..255");
      }
      out->kbd_type = static_cast<uint8_t>(member.get<uint64_t>());
    } else if (key == "plain" || key == "command" || key == "shift") {
      Layer layer = key == "plain"     ? Layer::Plain
                    : key == "command" ? Layer::Command
                                       : Layer::Shift;
      std::string r = parse_layer(member, w, *layout, layer);
      if (!r.empty()) return r;
    } else {
      return w.fail("unknown member");
    }
  }
  out->layout = std::move(layout);
  return "";
}

int32_t translate(const Layout& layout, uint16_t keycode,
                  uint32_t modifier_state, uint64_t max_length,
                  uint64_t* length, char16_t* units) {
  if (!length || (max_length > 0 && !units) || keycode > 127) {
    if (length) *length = 0;
    return kParamErr;
  }
  Layer layer = (modifier_state & carbon::kModifierShift)     ? Layer::Shift
                : (modifier_state & carbon::kModifierCommand) ? Layer::Command
                                                              : Layer::Plain;
  const KeyOutput& k = layout.lookup(layer, keycode);
  *length = 0;
  if (k.status != 0) return k.status;
  uint64_t n = k.units.size();
  uint64_t written = n < max_length ? n : max_length;
  for (uint64_t i = 0; i < written; ++i) units[i] = k.units[i];
  *length = written;
  return written < n ? kOutputBufferTooSmall : 0;
}

}  // namespace sim
