#include "macos/keyboard_layout.h"

#include <mutex>

namespace frontmost::platform::tis {

namespace {

std::once_flag LOAD_ONCE;
Carbon TABLE;
bool TABLE_PRESENT = false;

template <typename Fn>
bool find(void* library, const char* name, Fn* out) {
  *out = reinterpret_cast<Fn>(dl::symbol(library, name));
  return *out != nullptr;
}

void load() {
  void* library = dl::open(::carbon::kPath, dl::kLazy);
  if (!library) return;
  Carbon table{};
  void* key = dl::symbol(library, "kTISPropertyUnicodeKeyLayoutData");
  if (!find(library, "TISCopyCurrentASCIICapableKeyboardLayoutInputSource",
            &table.copy_source) ||
      !find(library, "TISGetInputSourceProperty", &table.get_property) ||
      !find(library, "LMGetKbdType", &table.keyboard_type) ||
      !find(library, "UCKeyTranslate", &table.translate) || !key) {
    return;
  }
  table.layout_data_key = *static_cast<const cf::TypeRef*>(key);
  TABLE = table;
  TABLE_PRESENT = true;
}

// Whether `code` gives exactly one unit, "v" or "V", in the layer selected
// by `modifiers`.
bool gives_v(const Carbon& table, const void* layout, uint32_t keyboard,
             uint16_t code, uint32_t modifiers) {
  uint32_t dead_keys = 0;
  char16_t units[4] = {};
  uint64_t length = 0;
  int32_t status = table.translate(
      layout, code, ::carbon::kUCKeyActionDisplay, modifiers, keyboard,
      ::carbon::kUCKeyTranslateNoDeadKeysMask, &dead_keys, 4, &length, units);
  if (status != 0 || length != 1) return false;
  char16_t unit = units[0];
  if (unit >= 0xD800 && unit <= 0xDFFF) return false;
  return unit == u'v' || unit == u'V';
}

}  // namespace

const Carbon* carbon() {
  std::call_once(LOAD_ONCE, load);
  return TABLE_PRESENT ? &TABLE : nullptr;
}

std::optional<uint16_t> command_v_key() {
  const Carbon* table = carbon();
  if (!table) return std::nullopt;
  cf::Ref source(table->copy_source());
  if (!source) return std::nullopt;
  cf::TypeRef data = table->get_property(source.get(), table->layout_data_key);
  const uint8_t* layout = data ? cf::data_bytes(data) : nullptr;
  if (!layout) return std::nullopt;
  uint32_t keyboard = table->keyboard_type();
  for (uint32_t modifiers :
       {::carbon::kModifierCommand, ::carbon::kModifierNone}) {
    for (uint16_t code = 0; code < 128; ++code) {
      if (gives_v(*table, layout, keyboard, code, modifiers)) return code;
    }
  }
  return std::nullopt;
}

}  // namespace frontmost::platform::tis
