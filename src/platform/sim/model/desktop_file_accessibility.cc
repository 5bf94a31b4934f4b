// The desktop-file reader's accessibility on request: an application's
// "accessibility_on_request" and the checks an application makes of it once
// read whole.
#include "platform/sim/model/app_accessibility.h"
#include "platform/sim/model/desktop_file.h"
#include "platform/sim/model/desktop_file_parts.h"

namespace sim {

using namespace desktop_file_detail;

namespace desktop_file_detail {

std::string parse_on_request(const json& j, const Where& where,
                             std::optional<AccessibilityOnRequest>* out) {
  if (auto r = expect_object(j, where); !r.empty()) return r;
  AccessibilityOnRequest on;
  if (!j.contains("attribute")) return where.at("attribute").fail("missing");
  for (const auto& [key, v] : j.items()) {
    Where w = where.at(key);
    std::string r;
    if (key == "attribute") {
      if (v != json(kManualAccessibility) && v != json(kEnhancedUserInterface)) {
        r = w.fail("expected \"AXManualAccessibility\" or \"AXEnhancedUserInterface\"");
      } else {
        on.attribute = v.get<std::string>();
      }
    } else if (key == "delay_ms") {
      r = parse_delay(v, w, &on.delay_ms);
    } else if (key == "answer") {
      if (v != json("success") && v != json("unsupported")) {
        r = w.fail("expected \"success\" or \"unsupported\"");
      }
      on.answers_unsupported = v == json("unsupported");
    } else {
      r = w.fail("unknown member");
    }
    if (!r.empty()) return r;
  }
  *out = std::move(on);
  return "";
}

std::string finish_application(const Where& where, Application* app) {
  app->process.launch = next_launch();
  if (!app->on_request) return "";
  if (!app->ui) {
    return where.at("accessibility_on_request")
        .fail("needs a \"ui\": the attribute is set on its root");
  }
  if (app->ui->needs_accessibility) {
    return where.at("ui").at("needs_accessibility")
        .fail("the application element itself always exists");
  }
  return "";
}

}  // namespace desktop_file_detail

}  // namespace sim
