#include "macos_screen/text.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "macos/focus.h"
#include "macos/secure_input.h"
#include "macos_screen/focus.h"
#include "macos_screen/node.h"
#include "macos_screen/reader.h"
#include "screen_text/clip.h"
#include "screen_text/nearby.h"

namespace frontmost::platform::screen {

namespace {

// UTF-16 units of text before the caret.
constexpr int64_t kBeforeUnits = 150;

constexpr std::array<std::string_view, 3> kFieldNames = {"AXRole", "AXSubrole",
                                                         "AXWindow"};

// Up to kBeforeUnits units before the caret; when the range starts inside
// the text its first, likely partial, word goes (and number words after it).
json::Value before_caret(Reader& reader, cf::TypeRef focused) {
  if (!reader.gate()) return nullptr;
  std::optional<ax::Range> range = selected_range(focused);
  if (!range || range->location <= 0) return nullptr;
  if (!reader.gate()) return nullptr;
  int64_t caret = range->location;
  int64_t units = std::min(caret, kBeforeUnits);
  std::optional<std::string> text = string_for_range(focused, caret - units, units);
  if (!text) return nullptr;
  if (caret <= kBeforeUnits) return *text;
  std::optional<std::string_view> rest = screen_text::after_cut(*text);
  if (!rest) return nullptr;
  return std::string(*rest);
}

}  // namespace

json::Value text(int32_t pid) {
  const json::Value refused = json::Value::object();
  cf::Ref reported = take_reported();
  if (!reported || secure_input()) return refused;

  Reader reader(kTextBudget);
  cf::Ref focused = element(reader, reader.system_wide(), "AXFocusedUIElement");
  int32_t owner = 0;
  if (!focused || ax::get_pid(focused.get(), &owner) != ax::kSuccess ||
      owner != pid || !cf::equal(focused.get(), reported.get())) {
    return refused;
  }
  std::array<Outcome, 3> read = many(reader, focused.get(), kFieldNames);
  if (FieldKind::from(read[0].text(), read[1].text()).maybe_secure) return refused;

  json::Value report = json::Value::object();
  report["before"] = before_caret(reader, focused.get());
  std::string nearby;
  cf::Ref window =
      read[2].is_present() ? element_of(std::move(read[2].value)) : cf::Ref();
  if (window) {
    if (std::optional<ax::Rect> rect = frame(reader, std::move(window))) {
      screen_text::Rect area{rect->x, rect->y, rect->width, rect->height};
      nearby = screen_text::nearby_text(
          std::make_unique<Node>(std::move(focused), reader), area,
          screen_text::kLimits, reader.deadline(), reader.clock());
    }
  }
  report["text"] = std::move(nearby);
  return report;
}

}  // namespace frontmost::platform::screen
