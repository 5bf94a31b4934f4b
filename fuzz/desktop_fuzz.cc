// Desktop files: validation never crashes, and a desktop it accepts can be
// loaded and read (window list, pasteboard types, every key of the layout).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/cg_window.h"
#include "platform/library.h"
#include "platform/objc.h"
#include "platform/sim/sim.h"

namespace {

void read_back() {
  cf::Ref windows = cg::window_list_copy_window_info(
      cg::kWindowListOptionOnScreenOnly, cg::kNullWindowID);
  for (int64_t i = 0; i < cf::array_count(windows.get()); ++i) {
    ax::Rect r;
    cg::rect_make_with_dictionary_representation(
        cf::dictionary_get(cf::array_get(windows.get(), i), cg::kWindowBounds),
        &r);
  }

  void* pool = objc::autorelease_pool_push();
  objc::Id board = objc::send(objc::get_class("NSPasteboard"),
                              objc::register_name("generalPasteboard"));
  objc::Id types = objc::send(board, objc::register_name("types"));
  uint64_t n = objc::send_uint(types, objc::register_name("count"));
  for (uint64_t i = 0; i < n; ++i) {
    objc::send_utf8(
        objc::send_index(types, objc::register_name("objectAtIndex:"), i),
        objc::register_name("UTF8String"));
  }
  objc::autorelease_pool_pop(pool);

  void* carbon = dl::open(carbon::kPath, dl::kLazy);
  auto source = reinterpret_cast<
      carbon::TISCopyCurrentASCIICapableKeyboardLayoutInputSourceFn>(
      dl::symbol(carbon, "TISCopyCurrentASCIICapableKeyboardLayoutInputSource"));
  auto property = reinterpret_cast<carbon::TISGetInputSourcePropertyFn>(
      dl::symbol(carbon, "TISGetInputSourceProperty"));
  auto translate = reinterpret_cast<carbon::UCKeyTranslateFn>(
      dl::symbol(carbon, "UCKeyTranslate"));
  auto* key = static_cast<cf::TypeRef*>(
      dl::symbol(carbon, "kTISPropertyUnicodeKeyLayoutData"));
  if (!source || !property || !translate || !key) return;
  cf::Ref input(source());
  const uint8_t* layout = cf::data_bytes(property(input.get(), *key));
  if (!layout) return;
  for (uint16_t code = 0; code < 128; ++code) {
    for (uint32_t modifiers : {0u, 1u, 2u}) {
      uint32_t dead = 0;
      uint64_t length = 0;
      char16_t units[4];
      translate(layout, code, carbon::kUCKeyActionDisplay, modifiers, 40,
                carbon::kUCKeyTranslateNoDeadKeysMask, &dead, 4, &length,
                units);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (sim::check_desktop(text).empty() && sim::load_for_test(text).empty()) {
    read_back();
  }
  return 0;
}
