#include "macos_screen/focus.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macos/focus.h"
#include "macos/secure_input.h"
#include "macos_screen/app.h"
#include "macos_screen/ends.h"
#include "macos_screen/reader.h"

namespace frontmost::platform::screen {

namespace {

constexpr uint64_t kLabelChars = 200;
constexpr uint64_t kWindowTitleChars = 500;

// The ten attributes of the focused element, in one read.
enum Attr : size_t {
  kRole, kSubrole,
  kTitle, kDescription, kPlaceholder, kHelp, kIdentifier, kDomIdentifier,
  kTitleElement, kWindow,
  kAttrCount
};
constexpr std::array<std::string_view, kAttrCount> kFocusNames = {
    "AXRole",          "AXSubrole",
    "AXTitle",         "AXDescription",   "AXPlaceholderValue", "AXHelp",
    "AXIdentifier",    "AXDOMIdentifier", "AXTitleUIElement",   "AXWindow"};
constexpr std::array<std::string_view, 2> kTitleNames = {"AXRole", "AXTitle"};

// REPORTED: per-thread; in practice the command thread's.
thread_local cf::Ref REPORTED;

// A text attribute as the report shows it: `shown` is its `both_ends` form
// (none when blank), read near the ends of a long text only.
struct Shown {
  bool text = false;  // the value was a text
  std::optional<std::string> shown;
};

// A needed text: failed or not a text clears `complete`; missing is no text.
Shown needed_text(Reader& reader, const Outcome& outcome, uint64_t max) {
  if (outcome.is_failed()) reader.incomplete();
  if (!outcome.is_present()) return {};
  if (!outcome.value || cf::get_type_id(outcome.value.get()) != cf::TypeId::String) {
    reader.incomplete();
    return {};
  }
  return {true, ends_of(outcome.value.get(), max)};
}

// One attribute read as an outcome: no value, kAXErrorNoValue and
// kAXErrorAttributeUnsupported are missing.
Outcome read_one(cf::TypeRef element, std::string_view name) {
  cf::Ref value;
  ax::Error error = ax::copy_attribute_value(element, name, &value);
  if (error == ax::kNoValue || error == ax::kAttributeUnsupported) return Outcome::missing();
  if (error != ax::kSuccess) return Outcome::failed(error);
  if (!value) return Outcome::missing();
  return Outcome::present(std::move(value));
}

// The element of a present outcome; failed or not an element clears
// `complete`.
cf::Ref needed_element(Reader& reader, Outcome& outcome) {
  if (outcome.is_failed()) reader.incomplete();
  if (!outcome.is_present()) return {};
  cf::Ref element = element_of(std::move(outcome.value));
  if (!element) reader.incomplete();
  return element;
}

// The label that the title element gives: its "AXValue" when it is static
// text with a value, else its "AXTitle".
std::optional<std::string> title_label(Reader& reader, cf::Ref title_element) {
  std::array<Outcome, 2> read;
  if (!read_many(reader, title_element.get(), kTitleNames, read)) {
    reader.incomplete();
    return std::nullopt;
  }
  Shown title = needed_text(reader, read[1], kLabelChars);
  AttrOutcome role = read[0].text();
  if (role.is_failed()) reader.incomplete();
  if (role.value() == "AXStaticText") {
    if (!reader.gate()) {
      reader.incomplete();
    } else if (Shown value = needed_text(reader, read_one(title_element.get(), "AXValue"),
                                         kLabelChars);
               value.text) {
      title = std::move(value);
    }
  }
  return title.shown;
}

std::optional<std::string> window_title(Reader& reader, Outcome& outcome) {
  cf::Ref window = needed_element(reader, outcome);
  if (!window) return std::nullopt;
  if (!reader.gate()) {
    reader.incomplete();
    return std::nullopt;
  }
  return needed_text(reader, read_one(window.get(), "AXTitle"), kWindowTitleChars).shown;
}

json::Value text_or_null(const std::optional<std::string>& text) {
  return text ? json::Value(*text) : json::Value(nullptr);
}

}  // namespace

json::Value focus() {
  REPORTED.reset();
  Reader reader(kFocusBudget);
  cf::Ref focused = element(reader, reader.system_wide(), "AXFocusedUIElement");
  int32_t pid = 0;
  if (!focused || ax::get_pid(focused.get(), &pid) != ax::kSuccess) {
    return {{"focused", false}};
  }
  std::array<Outcome, kAttrCount> read = many(reader, focused.get(), kFocusNames);

  // Labels as shown, in order; those that are blank are dropped.
  json::Value labels = json::Value::array();
  for (size_t i = kTitle; i <= kDomIdentifier; ++i) {
    if (std::optional<std::string> label = needed_text(reader, read[i], kLabelChars).shown) {
      labels.push_back(std::move(*label));
    }
  }
  AttrOutcome role = read[kRole].text(), subrole = read[kSubrole].text();
  FieldKind kind = FieldKind::from(role, subrole);
  if (role.is_failed() || subrole.is_failed()) reader.incomplete();
  if (cf::Ref title_element = needed_element(reader, read[kTitleElement])) {
    if (std::optional<std::string> label = title_label(reader, std::move(title_element))) {
      labels.push_back(std::move(*label));
    }
  }
  std::optional<std::string> window = window_title(reader, read[kWindow]);

  std::optional<App> found = app(reader, pid);
  if (!found || reader.now() > reader.deadline()) reader.incomplete();
  bool complete = reader.complete();
  bool secure = kind.maybe_secure || secure_input();

  json::Value report = {
      {"focused", true},
      {"complete", complete},
      {"pid", pid},
      {"bundle_id", text_or_null(found ? found->bundle_id : std::nullopt)},
      {"app", text_or_null(found ? found->name : std::nullopt)},
      {"category", text_or_null(found ? found->category : std::nullopt)},
      {"window_title", text_or_null(window)},
      {"role", text_or_null(kind.role)},
      {"subrole", text_or_null(kind.subrole)},
      {"secure", secure},
      {"labels", std::move(labels)},
  };
  if (complete && !secure) REPORTED = std::move(focused);
  return report;
}

cf::Ref take_reported() { return std::move(REPORTED); }

}  // namespace frontmost::platform::screen
