#include "e2e/system.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "macos/focus.h"
#include "macos_screen/app.h"
#include "platform/ax.h"
#include "platform/cf.h"
#include "platform/cg_event.h"
#include "platform/clock.h"
#include "platform/library.h"

namespace e2e {
namespace {

json::Value or_null(const std::optional<std::string>& text) {
  return text ? json::Value(*text) : json::Value(nullptr);
}

// CoreGraphics, opened once (never closed); null when it cannot be.
void* core_graphics() {
  static void* const LIBRARY = dl::open(coregraphics::kPath, dl::kLazy);
  return LIBRARY;
}

}  // namespace

json::Value permissions() {
  cf::Ref system = ax::create_system_wide();
  cf::Ref focused;
  ax::Error e = ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &focused);
  json::Value out = json::Value::object();
  out["accessibility"] = e != ax::kAPIDisabled;
  out["ax_error"] = e;
  void* library = core_graphics();
  auto preflight = reinterpret_cast<coregraphics::CGPreflightListenEventAccessFn>(
      library ? dl::symbol(library, "CGPreflightListenEventAccess") : nullptr);
  out["input_monitoring"] = preflight ? json::Value(preflight()) : json::Value(nullptr);
  return out;
}

json::Value focus() {
  using frontmost::platform::string_attr;
  cf::Ref element = frontmost::platform::system_focus();
  json::Value out = json::Value::object();
  int32_t pid = 0;
  bool focused = element && ax::get_pid(element.get(), &pid) == ax::kSuccess;
  out["focused"] = focused;
  if (!focused) return out;
  std::optional<frontmost::platform::screen::App> app =
      frontmost::platform::screen::running_app(pid);
  out["pid"] = pid;
  out["app"] = app ? or_null(app->name) : json::Value(nullptr);
  out["bundle_id"] = app ? or_null(app->bundle_id) : json::Value(nullptr);
  out["role"] = or_null(string_attr(element.get(), "AXRole").value());
  out["value"] = or_null(string_attr(element.get(), "AXValue").value());
  return out;
}

bool post(std::span<const Step> steps) {
  void* library = core_graphics();
  auto set_type = reinterpret_cast<coregraphics::CGEventSetTypeFn>(
      library ? dl::symbol(library, "CGEventSetType") : nullptr);
  cf::Ref source = cg::event_source_create(cg::SourceState::Private);
  for (const Step& step : steps) {
    if (!step.is_key) {
      clocks::sleep_for(std::chrono::milliseconds(step.pause_ms));
      continue;
    }
    cf::Ref event =
        cg::event_create_keyboard_event(source.get(), step.key.keycode, step.key.down);
    // A modifier must arrive as a flags-changed event, as from a keyboard.
    if (!event || (step.key.modifier && !set_type)) return false;
    if (step.key.modifier) set_type(event.get(), cg::kFlagsChanged);
    cg::event_set_flags(event.get(), step.key.flags);
    cg::event_post(cg::TapLocation::HID, event.get());
    // A gap between events, as between real key presses: each passes the
    // taps on its own.
    clocks::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace e2e
