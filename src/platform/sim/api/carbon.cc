// Carbon as the desktop provides it: secure input, the current input
// source, its layout data and key translation.
#include "platform/sim/api/fault.h"
#include "platform/sim/api/carbon.h"

#include <cstring>
#include <type_traits>

#include "platform/library.h"
#include "platform/sim/drive/run_loop.h"
#include "platform/sim/model/keyboard.h"
#include "platform/sim/model/state.h"
#include "platform/sim/model/values.h"

namespace sim {
namespace {

struct InputSource final : cf::Object {
  explicit InputSource(cf::Ref layout_data)
      : Object(cf::TypeId::InputSource, "input_source"),
        data(std::move(layout_data)) {}
  const cf::Ref data;  // null when the source has no layout data
};

cf::TypeRef layout_key() {
  static cf::TypeRef key = [] {
    auto* s = new String(u"TISPropertyUnicodeKeyLayoutData");
    make_immortal(s);
    return static_cast<cf::TypeRef>(s);
  }();
  return key;
}

// The data symbol: a variable holding the key.
cf::TypeRef LAYOUT_KEY_SYMBOL = nullptr;

uint8_t is_secure_event_input_enabled() {
  return with_desktop([](const Desktop& d) { return d.secure_input; }) ? 1 : 0;
}

cf::TypeRef copy_current_ascii_capable_keyboard_layout_input_source() {
  Call call("TISCopyCurrentASCIICapableKeyboardLayoutInputSource");
  require_main_thread("TISCopyCurrentASCIICapableKeyboardLayoutInputSource");
  if (call.fails()) return nullptr;
  return with_desktop([](const Desktop& d) -> cf::TypeRef {
    const KeyboardSettings& k = d.keyboard;
    if (!k.input_source) return nullptr;
    cf::Ref data;
    if (k.layout_data && k.layout) {
      data = adopt_new(new Data(k.layout,
                                reinterpret_cast<const uint8_t*>(k.layout.get()),
                                static_cast<int64_t>(sizeof(Layout))));
    }
    return adopt_new_raw(new InputSource(std::move(data)));
  });
}

cf::TypeRef get_input_source_property(cf::TypeRef source, cf::TypeRef key) {
  Call call("TISGetInputSourceProperty");
  require_main_thread("TISGetInputSourceProperty");
  if (call.fails()) return nullptr;
  const auto* s = as<InputSource>(source);
  if (!s || !cf::equal(key, layout_key())) return nullptr;
  return s->data.get();
}

uint8_t get_kbd_type() {
  require_main_thread("LMGetKbdType");
  return with_desktop([](const Desktop& d) { return d.keyboard.kbd_type; });
}

int32_t key_translate(const void* layout, uint16_t keycode, uint16_t,
                      uint32_t modifier_state, uint32_t, uint32_t,
                      uint32_t* dead_key_state, uint64_t max_length,
                      uint64_t* length, char16_t* units) {
  constexpr int32_t kParamErr = -50;
  Call call("UCKeyTranslate");
  if (call.fails()) {
    if (length) *length = 0;
    return kParamErr;
  }
  const auto* l = static_cast<const Layout*>(layout);
  if (!l || l->magic != Layout::kMagic) {
    if (length) *length = 0;
    return kParamErr;
  }
  if (dead_key_state) *dead_key_state = 0;
  return translate(*l, keycode, modifier_state, max_length, length, units);
}

static_assert(std::is_same_v<decltype(&is_secure_event_input_enabled),
                             carbon::IsSecureEventInputEnabledFn>);
static_assert(
    std::is_same_v<
        decltype(&copy_current_ascii_capable_keyboard_layout_input_source),
        carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn>);
static_assert(std::is_same_v<decltype(&get_input_source_property),
                             carbon::TISGetInputSourcePropertyFn>);
static_assert(std::is_same_v<decltype(&get_kbd_type), carbon::LMGetKbdTypeFn>);
static_assert(std::is_same_v<decltype(&key_translate), carbon::UCKeyTranslateFn>);

}  // namespace

void* carbon_symbol(const char* name) {
  if (!std::strcmp(name, "IsSecureEventInputEnabled")) {
    return reinterpret_cast<void*>(&is_secure_event_input_enabled);
  }
  if (!std::strcmp(name, "TISCopyCurrentASCIICapableKeyboardLayoutInputSource")) {
    return reinterpret_cast<void*>(
        &copy_current_ascii_capable_keyboard_layout_input_source);
  }
  if (!std::strcmp(name, "TISGetInputSourceProperty")) {
    return reinterpret_cast<void*>(&get_input_source_property);
  }
  if (!std::strcmp(name, "LMGetKbdType")) {
    return reinterpret_cast<void*>(&get_kbd_type);
  }
  if (!std::strcmp(name, "UCKeyTranslate")) {
    return reinterpret_cast<void*>(&key_translate);
  }
  if (!std::strcmp(name, "kTISPropertyUnicodeKeyLayoutData")) {
    LAYOUT_KEY_SYMBOL = layout_key();
    return &LAYOUT_KEY_SYMBOL;
  }
  return nullptr;
}

}  // namespace sim
