// Input events (Core Graphics event taps, event fields, sources, posting).
#pragma once

#include <cstdint>

#include "platform/cf.h"

namespace cg {

using EventType = uint32_t;
inline constexpr EventType kLeftMouseDown = 1;
inline constexpr EventType kLeftMouseUp = 2;
inline constexpr EventType kRightMouseDown = 3;
inline constexpr EventType kKeyDown = 10;
inline constexpr EventType kKeyUp = 11;
inline constexpr EventType kFlagsChanged = 12;
inline constexpr EventType kScrollWheel = 22;
inline constexpr EventType kOtherMouseDown = 25;
inline constexpr EventType kTapDisabledByTimeout = 0xFFFFFFFE;
inline constexpr EventType kTapDisabledByUserInput = 0xFFFFFFFF;

using EventMask = uint64_t;
constexpr EventMask mask_bit(EventType type) { return EventMask{1} << type; }

// The modifier bits of the event flags word, the one set every module uses.
using Flags = uint64_t;  // CGEventFlags
inline constexpr Flags kFlagAlphaShift = 0x10000;  // caps lock
inline constexpr Flags kFlagShift = 0x20000;
inline constexpr Flags kFlagControl = 0x40000;
inline constexpr Flags kFlagAlternate = 0x80000;
inline constexpr Flags kFlagCommand = 0x100000;
inline constexpr Flags kFlagSecondaryFn = 0x800000;
// Device bits: which side's key is down, set beside the modifier bit (the
// system's flag state may leave them out while a key is held).
inline constexpr Flags kFlagDeviceRightCommand = 0x10;
inline constexpr Flags kFlagDeviceRightAlternate = 0x40;
inline constexpr Flags kFlagDeviceRightControl = 0x2000;

// Integer fields (CGEventField).
inline constexpr uint32_t kFieldKeyboardEventAutorepeat = 8;
inline constexpr uint32_t kFieldKeyboardEventKeycode = 9;
inline constexpr uint32_t kFieldEventSourceUnixProcessID = 41;

enum class TapLocation : uint32_t { HID = 0, Session = 1, AnnotatedSession = 2 };
enum class TapPlacement : uint32_t { HeadInsert = 0, TailAppend = 1 };
enum class TapOptions : uint32_t { Default = 0, ListenOnly = 1 };
enum class SourceState : int32_t { Private = -1, CombinedSession = 0, HIDSystem = 1 };
inline constexpr uint32_t kMouseButtonLeft = 0;

using TapProxy = void*;
// Runs on the thread whose run loop holds the tap. Returns the event to let it
// through (borrowed, normally the one given) or null to withhold it (active
// taps only). Tap-disabled notices always arrive, with a placeholder event.
using TapCallback = cf::TypeRef (*)(TapProxy proxy, EventType type,
                                    cf::TypeRef event, void* user);

struct Point { double x = 0; double y = 0; };

// Owned mach port, or null when input may not be watched.
cf::Ref event_tap_create(TapLocation location, TapPlacement placement,
                         TapOptions options, EventMask mask,
                         TapCallback callback, void* user);
// Nothing tells whether the enable took: ask event_tap_is_enabled.
void event_tap_enable(cf::TypeRef tap, bool enable);
// Whether the tap is on now (false once the system disabled it).
bool event_tap_is_enabled(cf::TypeRef tap);
// Whether a tap with these settings can be made now: one is made (with a
// callback that lets everything through), turned off, invalidated and
// released at once, so it never holds an event. Asking is the only reliable
// test of the permission while a tap of the process is already live.
bool event_tap_probe(TapLocation location, TapPlacement placement,
                     TapOptions options, EventMask mask);

int64_t event_get_integer_field(cf::TypeRef event, uint32_t field);
Flags event_get_flags(cf::TypeRef event);
void event_set_flags(cf::TypeRef event, Flags flags);
Point event_get_location(cf::TypeRef event);

Flags event_source_flags_state(SourceState state);
bool event_source_button_state(SourceState state, uint32_t button);
// CGEventSourceKeyState: whether the key (virtual key code) is down.
bool event_source_key_state(SourceState state, uint16_t keycode);

cf::Ref event_create(cf::TypeRef source);  // source may be null; null on failure
cf::Ref event_source_create(SourceState state);
// source may be null; null when the event cannot be made. Main thread only:
// the system reaches the text input manager, which asserts that.
cf::Ref event_create_keyboard_event(cf::TypeRef source, uint16_t keycode,
                                    bool key_down);
void event_post(TapLocation tap, cf::TypeRef event);

}  // namespace cg
