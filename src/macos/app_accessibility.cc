#include "macos/app_accessibility.h"

#include <deque>
#include <optional>

#include "macos/focus.h"
#include "platform/cf.h"
#include "platform/proc.h"

namespace frontmost::platform {
namespace {

constexpr std::string_view kManual = "AXManualAccessibility";
constexpr std::string_view kEnhanced = "AXEnhancedUserInterface";
constexpr size_t kRemembered = 256;

// One attribute set to true on one process.
struct Enabled {
  int32_t pid = 0;
  proc::StartTime started;
  bool enhanced = false;
  friend bool operator==(const Enabled&, const Enabled&) = default;
};

// ENABLED: per-thread; in practice the command thread's. Oldest first.
thread_local std::deque<Enabled> ENABLED;

bool remembered(const Enabled& key) {
  for (const Enabled& e : ENABLED) {
    if (e == key) return true;
  }
  return false;
}

void remember(const Enabled& key) {
  if (ENABLED.size() == kRemembered) ENABLED.pop_front();
  ENABLED.push_back(key);
}

// A boolean true, or a number 1 as some applications answer.
bool is_true(cf::TypeRef value) {
  if (!value) return false;
  if (cf::get_type_id(value) == cf::TypeId::Boolean) {
    return cf::equal(value, cf::boolean_value(true));
  }
  int64_t n = 0;
  return cf::get_type_id(value) == cf::TypeId::Number && cf::number_get_i64(value, &n) &&
         n == 1;
}

}  // namespace

std::string_view result_word(AccessibilityResult result) {
  switch (result) {
    case AccessibilityResult::Enabled: return "enabled";
    case AccessibilityResult::Already: return "already";
    case AccessibilityResult::Unconfirmed: return "unconfirmed";
    case AccessibilityResult::NoApp: return "no_app";
    case AccessibilityResult::Failed: break;
  }
  return "failed";
}

// The read only saves a set: an answer that says the set would fail too (the
// process has no application, the permission is missing, the application
// does not answer in time) ends here; any other leaves it to the set.
std::optional<AccessibilityResult> after_read(ax::Error read, bool reads_true) {
  if (read == ax::kSuccess && reads_true) return AccessibilityResult::Already;
  if (read == ax::kInvalidUIElement) return AccessibilityResult::NoApp;
  if (read == ax::kAPIDisabled || read == ax::kCannotComplete) {
    return AccessibilityResult::Failed;
  }
  return std::nullopt;
}

AccessibilityResult after_set(ax::Error set) {
  switch (set) {
    case ax::kSuccess: return AccessibilityResult::Enabled;
    case ax::kAttributeUnsupported: return AccessibilityResult::Unconfirmed;
    case ax::kInvalidUIElement: return AccessibilityResult::NoApp;
    default: return AccessibilityResult::Failed;
  }
}

AccessibilityResult app_accessibility(int32_t pid, bool enhanced) {
  std::optional<proc::StartTime> started;
  if (pid > 0) started = proc::start_time(pid);
  if (!started) return AccessibilityResult::NoApp;
  const Enabled key{pid, *started, enhanced};
  if (remembered(key)) return AccessibilityResult::Already;

  cf::Ref system_wide = ax::create_system_wide();
  if (ax::set_messaging_timeout(system_wide.get(), kMessagingTimeout) != ax::kSuccess) {
    return AccessibilityResult::Failed;  // unbounded, a hung application holds us for seconds
  }
  cf::Ref app = ax::create_application(pid);
  if (!app) return AccessibilityResult::Failed;
  std::string_view attribute = enhanced ? kEnhanced : kManual;

  cf::Ref value;
  ax::Error read = ax::copy_attribute_value(app.get(), attribute, &value);
  std::optional<AccessibilityResult> result = after_read(read, is_true(value.get()));
  if (!result) result = after_set(ax::set_attribute_value(app.get(), attribute,
                                                          cf::boolean_value(true)));
  if (*result == AccessibilityResult::Enabled || *result == AccessibilityResult::Already) {
    remember(key);
  }
  return *result;
}

}  // namespace frontmost::platform
