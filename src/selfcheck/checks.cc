#include "selfcheck/checks.h"

#include <chrono>
#include <optional>
#include <string_view>
#include <utility>

#include "macos/keyboard_layout.h"
#include "macos/pasteboard.h"
#include "macos/secure_input.h"
#include "macos_screen/app.h"
#include "platform/ax.h"
#include "platform/cf.h"
#include "platform/cg_event.h"
#include "platform/cg_window.h"
#include "platform/clock.h"
#include "platform/proc.h"
#include "platform/run_loop.h"

namespace selfcheck {
namespace {

using std::chrono::milliseconds;

Outcome outcome(std::string name, bool passed, std::string detail = {}) {
  return {std::move(name), passed, std::move(detail)};
}

Outcome strings() {
  const std::u16string expected = u"caf\u00e9 \u2713 \U0001F600";
  cf::Ref s = cf::string_create("caf\xc3\xa9 \xe2\x9c\x93 \xf0\x9f\x98\x80");
  bool ok = s && cf::get_type_id(s.get()) == cf::TypeId::String &&
            cf::string_units(s.get()) == expected;
  cf::Ref lone = cf::string_create_utf16(std::u16string(1, u'\xd800'));
  ok = ok && lone && cf::string_units(lone.get()) == std::u16string(1, u'\xd800');
  ok = ok && !cf::string_create("\xff");  // not UTF-8: refused
  return outcome("string round trip", ok);
}

Outcome numbers() {
  int64_t i = 0;
  double f = 0;
  cf::Ref a = cf::number_create_i64(-9007199254740993);
  cf::Ref b = cf::number_create_f64(2.5);
  bool ok = a && b && cf::get_type_id(a.get()) == cf::TypeId::Number &&
            cf::number_get_i64(a.get(), &i) && i == -9007199254740993 &&
            cf::number_get_f64(b.get(), &f) && f == 2.5 &&
            !cf::number_get_i64(b.get(), &i) &&
            cf::get_type_id(cf::boolean_value(true)) == cf::TypeId::Boolean &&
            cf::get_type_id(cf::null_value()) == cf::TypeId::Null;
  return outcome("number round trip", ok);
}

Outcome arrays() {
  cf::Ref s = cf::string_create("x");
  cf::Ref n = cf::number_create_i64(7);
  const cf::TypeRef items[] = {s.get(), n.get(), cf::null_value()};
  cf::Ref array = cf::array_create(items);
  bool ok = array && cf::get_type_id(array.get()) == cf::TypeId::Array &&
            cf::array_count(array.get()) == 3 &&
            cf::equal(cf::array_get(array.get(), 0), s.get()) &&
            cf::equal(cf::array_get(array.get(), 1), n.get());
  return outcome("array round trip", ok);
}

// The window list gives the dictionaries: every description is one, with a
// number for its owner's pid and a bounds dictionary that reads as a rect.
std::pair<Outcome, Outcome> windows(int64_t* first_owner) {
  cf::Ref list = cg::window_list_copy_window_info(
      cg::kWindowListOptionOnScreenOnly | cg::kWindowListExcludeDesktopElements,
      cg::kNullWindowID);
  if (!list || cf::get_type_id(list.get()) != cf::TypeId::Array) {
    return {outcome("window list", false, "no array"),
            outcome("dictionary round trip", false, "no window list")};
  }
  int64_t count = cf::array_count(list.get());
  int64_t good = 0;
  for (int64_t k = 0; k < count; ++k) {
    cf::TypeRef window = cf::array_get(list.get(), k);
    int64_t pid = 0;
    ax::Rect rect{};
    cf::TypeRef owner = cf::dictionary_get(window, cg::kWindowOwnerPID);
    if (cf::get_type_id(window) == cf::TypeId::Dictionary && owner &&
        cf::number_get_i64(owner, &pid) && pid > 0 &&
        cg::rect_make_with_dictionary_representation(
            cf::dictionary_get(window, cg::kWindowBounds), &rect)) {
      ++good;
      if (*first_owner == 0) *first_owner = pid;
    }
  }
  std::string seen = std::to_string(count) + " windows";
  return {outcome("window list", true, seen),
          outcome("dictionary round trip", count == 0 || good == count,
                  count == 0 ? "no window on screen to read" :
                               std::to_string(good) + " of " + seen + " read")};
}

Outcome pasteboard() {
  bool sensitive = frontmost::platform::pasteboard_sensitive();
  return outcome("pasteboard types", true, sensitive ? "sensitive" : "not sensitive");
}

// A command-line process is not always an application to AppKit: its own
// pid is asked, and the owner of a window on screen must give one.
Outcome running_application(int64_t window_owner) {
  using frontmost::platform::screen::running_app;
  std::optional<frontmost::platform::screen::App> own = running_app(proc::self());
  std::string detail = std::string("own pid: ") + (own ? "found" : "none");
  if (window_owner <= 0) return outcome("NSRunningApplication", true, detail + ", no window owner");
  std::optional<frontmost::platform::screen::App> app =
      running_app(static_cast<int32_t>(window_owner));
  detail += ", pid " + std::to_string(window_owner) + ": " +
            (app ? app->name.value_or("(no name)") + " " + app->bundle_id.value_or("") : "none");
  return outcome("NSRunningApplication", app.has_value(), detail);
}

Outcome process_name() {
  char name[256];
  int n = proc::name(proc::self(), name, sizeof name);
  std::string text = n > 0 ? std::string(name, static_cast<size_t>(n)) : "";
  return outcome("proc_name", text.rfind("quorvel", 0) == 0, text);
}

// Its own start time, read twice alike, lies between 2020 and now; the
// application element of a window's owner is made without a message (no
// attribute is ever set here).
Outcome process_start(int64_t window_owner) {
  std::optional<proc::StartTime> own = proc::start_time(proc::self());
  bool ok = own && proc::start_time(proc::self()) == own && own->seconds > 1600000000 &&
            own->seconds <= clocks::wall_millis() / 1000 && own->microseconds < 1000000;
  cf::Ref app = ax::create_application(
      static_cast<int32_t>(window_owner > 0 ? window_owner : proc::self()));
  ok = ok && app && cf::get_type_id(app.get()) == cf::TypeId::AXUIElement;
  return outcome("process start time and application element", ok,
                 own ? "started at " + std::to_string(own->seconds) : "no start time");
}

Outcome clocks_and_sleep() {
  auto m0 = clocks::Monotonic::now();
  clocks::sleep_for(milliseconds(20));
  auto slept = clocks::Monotonic::now() - m0;
  uint64_t wall = clocks::wall_millis();
  bool ok = slept >= milliseconds(20) && slept < milliseconds(2000) &&
            wall > 1600000000000ull;  // after September 2020
  return outcome("clocks", ok,
                 std::to_string(std::chrono::duration_cast<milliseconds>(slept).count()) +
                     " ms slept");
}

Outcome secure_input() {
  bool on = frontmost::platform::secure_input();
  return outcome("secure input state", true, on ? "on" : "off");
}

// What the main-queue item found.
struct MainItem {
  bool ran = false;
  std::optional<uint16_t> v_key;
  bool event_made = false;
  bool flags_set = false;
};

void on_main(void* context) {
  auto* item = static_cast<MainItem*>(context);
  item->v_key = frontmost::platform::tis::command_v_key();
  if (item->v_key) {
    cf::Ref source = cg::event_source_create(cg::SourceState::Private);
    cf::Ref event = cg::event_create_keyboard_event(source.get(), *item->v_key, true);
    item->event_made = static_cast<bool>(event);
    cg::event_set_flags(event.get(), cg::kFlagCommand);
    item->flags_set = (cg::event_get_flags(event.get()) & cg::kFlagCommand) != 0 &&
                      cg::event_get_integer_field(event.get(),
                                                  cg::kFieldKeyboardEventKeycode) ==
                          *item->v_key;
  }  // made, never posted
  item->ran = true;
  cf::run_loop_stop(cf::run_loop_get_current());
}

std::pair<Outcome, Outcome> main_queue() {
  MainItem item;
  dispatch::async_main(&item, &on_main);
  auto until = clocks::Monotonic::now() + milliseconds(3000);
  while (!item.ran && clocks::Monotonic::now() < until) {
    (void)cf::run_loop_run_in_mode(0.1, false);
  }
  std::string key = item.v_key ? "V on key " + std::to_string(*item.v_key) : "no key for V";
  return {outcome("main queue item inside the run loop", item.ran),
          outcome("keyboard layout and Command+V event", item.event_made && item.flags_set,
                  key)};
}

Outcome hid_state() {
  cg::Flags flags = cg::event_source_flags_state(cg::SourceState::HIDSystem);
  bool button = cg::event_source_button_state(cg::SourceState::HIDSystem,
                                              cg::kMouseButtonLeft);
  bool v = cg::event_source_key_state(cg::SourceState::HIDSystem, 9);
  cf::Ref event = cg::event_create(nullptr);
  cg::Point at = cg::event_get_location(event.get());
  return outcome("HID state and pointer", static_cast<bool>(event),
                 "flags " + std::to_string(flags) + (button ? ", button down" : "") +
                     (v ? ", V down" : "") + ", pointer " + std::to_string(at.x) + "," +
                     std::to_string(at.y));
}

// No permission is asked for: the answer of the system-wide element tells
// whether this process (or the terminal that started it) holds Accessibility.
Outcome accessibility() {
  cf::Ref system = ax::create_system_wide();
  cf::Ref focused;
  ax::Error e = ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &focused);
  bool known = e == ax::kSuccess || e == ax::kAPIDisabled || e == ax::kNoValue ||
               e == ax::kCannotComplete;
  return outcome("accessibility request", system && known,
                 "error " + std::to_string(e) +
                     (e == ax::kAPIDisabled ? " (not granted)" : ""));
}

}  // namespace

std::vector<Outcome> run_all() {
  std::vector<Outcome> all;
  all.push_back(strings());
  all.push_back(numbers());
  all.push_back(arrays());
  int64_t window_owner = 0;
  auto [list, dictionaries] = windows(&window_owner);
  all.push_back(list);
  all.push_back(dictionaries);
  all.push_back(pasteboard());
  all.push_back(running_application(window_owner));
  all.push_back(process_name());
  all.push_back(process_start(window_owner));
  all.push_back(clocks_and_sleep());
  all.push_back(secure_input());
  auto [queue, keyboard] = main_queue();
  all.push_back(queue);
  all.push_back(keyboard);
  all.push_back(hid_state());
  all.push_back(accessibility());
  return all;
}

}  // namespace selfcheck
