// Input events (Core Graphics): event taps, event fields, event sources, the
// HID state queries and posting.
//
// A tap's callback is reached through a small record, {callback, user}, that
// the system hands back on every call. The record lives as long as the
// process: the system may call the callback until the tap's port is
// invalidated, which a release of the port does not promise to do at once;
// a mode makes one tap per process.
#include "platform/cg_event.h"

#include <ApplicationServices/ApplicationServices.h>

#include "platform/macos/bridge.h"

namespace cg {
namespace {

static_assert(kTapDisabledByTimeout == kCGEventTapDisabledByTimeout);
static_assert(kTapDisabledByUserInput == kCGEventTapDisabledByUserInput);
static_assert(kFlagAlphaShift == kCGEventFlagMaskAlphaShift &&
              kFlagShift == kCGEventFlagMaskShift &&
              kFlagControl == kCGEventFlagMaskControl &&
              kFlagAlternate == kCGEventFlagMaskAlternate &&
              kFlagCommand == kCGEventFlagMaskCommand &&
              kFlagSecondaryFn == kCGEventFlagMaskSecondaryFn);
static_assert(kFieldKeyboardEventAutorepeat == kCGKeyboardEventAutorepeat &&
              kFieldKeyboardEventKeycode == kCGKeyboardEventKeycode &&
              kFieldEventSourceUnixProcessID == kCGEventSourceUnixProcessID);
static_assert(static_cast<CGEventSourceStateID>(SourceState::HIDSystem) ==
              kCGEventSourceStateHIDSystemState);
static_assert(static_cast<CGEventSourceStateID>(SourceState::Private) ==
              kCGEventSourceStatePrivate);

struct Tap {
  TapCallback callback;
  void* user;
};

// Runs on the thread whose run loop holds the tap; does nothing but call on.
// The answer is the event itself or null: both borrowed, as the system
// expects for an event it passed in.
CGEventRef trampoline(CGEventTapProxy proxy, CGEventType type, CGEventRef event,
                      void* record) {
  const auto* tap = static_cast<const Tap*>(record);
  cf::TypeRef back = tap->callback(proxy, type, macos::ref_of(event), tap->user);
  return macos::as<CGEventRef>(back);
}

CGEventRef event_of(cf::TypeRef event) { return macos::as<CGEventRef>(event); }

// The probe tap's callback: never holds anything.
CGEventRef pass_through(CGEventTapProxy, CGEventType, CGEventRef event, void*) {
  return event;
}

}  // namespace

cf::Ref event_tap_create(TapLocation location, TapPlacement placement,
                         TapOptions options, EventMask mask,
                         TapCallback callback, void* user) {
  auto* record = new Tap{callback, user};
  CFMachPortRef port = CGEventTapCreate(
      static_cast<CGEventTapLocation>(location),
      static_cast<CGEventTapPlacement>(placement),
      static_cast<CGEventTapOptions>(options), mask, &trampoline, record);
  if (!port) delete record;  // never reachable by the system
  return macos::adopt(port);
}

void event_tap_enable(cf::TypeRef tap, bool enable) {
  if (tap) CGEventTapEnable(macos::as<CFMachPortRef>(tap), enable);
}

bool event_tap_is_enabled(cf::TypeRef tap) {
  return tap && CGEventTapIsEnabled(macos::as<CFMachPortRef>(tap));
}

// A new tap is enabled from the start; it is turned off before anything can
// reach it through a run loop (it has none), and invalidated so that the
// system forgets it before the release.
bool event_tap_probe(TapLocation location, TapPlacement placement,
                     TapOptions options, EventMask mask) {
  CFMachPortRef port = CGEventTapCreate(
      static_cast<CGEventTapLocation>(location),
      static_cast<CGEventTapPlacement>(placement),
      static_cast<CGEventTapOptions>(options), mask, &pass_through, nullptr);
  if (!port) return false;
  CGEventTapEnable(port, false);
  CFMachPortInvalidate(port);
  CFRelease(port);
  return true;
}

int64_t event_get_integer_field(cf::TypeRef event, uint32_t field) {
  if (!event) return 0;
  return CGEventGetIntegerValueField(event_of(event),
                                     static_cast<CGEventField>(field));
}

Flags event_get_flags(cf::TypeRef event) {
  return event ? CGEventGetFlags(event_of(event)) : 0;
}

void event_set_flags(cf::TypeRef event, Flags flags) {
  if (event) CGEventSetFlags(event_of(event), static_cast<CGEventFlags>(flags));
}

Point event_get_location(cf::TypeRef event) {
  if (!event) return {};
  CGPoint p = CGEventGetLocation(event_of(event));
  return {p.x, p.y};
}

Flags event_source_flags_state(SourceState state) {
  return CGEventSourceFlagsState(static_cast<CGEventSourceStateID>(state));
}

bool event_source_button_state(SourceState state, uint32_t button) {
  return CGEventSourceButtonState(static_cast<CGEventSourceStateID>(state),
                                  static_cast<CGMouseButton>(button));
}

bool event_source_key_state(SourceState state, uint16_t keycode) {
  return CGEventSourceKeyState(static_cast<CGEventSourceStateID>(state),
                               static_cast<CGKeyCode>(keycode));
}

cf::Ref event_create(cf::TypeRef source) {
  return macos::adopt(CGEventCreate(macos::as<CGEventSourceRef>(source)));
}

cf::Ref event_source_create(SourceState state) {
  return macos::adopt(
      CGEventSourceCreate(static_cast<CGEventSourceStateID>(state)));
}

cf::Ref event_create_keyboard_event(cf::TypeRef source, uint16_t keycode,
                                    bool key_down) {
  return macos::adopt(CGEventCreateKeyboardEvent(
      macos::as<CGEventSourceRef>(source), static_cast<CGKeyCode>(keycode),
      key_down));
}

void event_post(TapLocation tap, cf::TypeRef event) {
  if (event) CGEventPost(static_cast<CGEventTapLocation>(tap), event_of(event));
}

}  // namespace cg
