// In-process test helpers for the data side: loading a desktop and reading
// attributes into plain values.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "platform/ax.h"
#include "platform/cf.h"
#include "platform/sim/audit.h"
#include "platform/sim/sim.h"

namespace sim::testing {

// Loads a desktop; a test that cannot load its desktop stops.
#define LOAD(...) ASSERT_EQ(::sim::load_for_test((__VA_ARGS__).dump()), "")

// The focused element (owned), or null.
inline cf::Ref focused() {
  cf::Ref system = ax::create_system_wide();
  cf::Ref value;
  ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &value);
  return value;
}

// Element by id: made focused for a moment, then focus goes back to none.
inline cf::Ref element(const std::string& id) {
  EXPECT_EQ(apply_data_action({{"action", "focus"}, {"element", id}}), "");
  cf::Ref e = focused();
  EXPECT_EQ(apply_data_action({{"action", "focus"}, {"element", nullptr}}), "");
  return e;
}

inline std::string utf8(cf::TypeRef string) {
  std::string out;
  for (char16_t u : cf::string_units(string)) {
    if (u < 0x80) out += static_cast<char>(u);
    else out += "\\u" + std::to_string(static_cast<int>(u));
  }
  return out;
}

// Watches that a block of code gives back every object it made.
class AuditScope {
 public:
  AuditScope() : before_(audit()) {}
  void expect_balanced() const {
    Audit now = audit();
    EXPECT_EQ(now.live, before_.live);
    EXPECT_EQ(now.over_releases, before_.over_releases);
  }

 private:
  Audit before_;
};

}  // namespace sim::testing
