#include "macos/secure_input.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/sim/testing/desktop_fixture.h"

namespace frontmost::platform {
namespace {

using nlohmann::json;

class SecureInputTest : public sim::testing::DesktopTest {};

TEST_F(SecureInputTest, FollowsThePlatformAfterTheFirstLookup) {
  load({{"secure_input", true}});
  EXPECT_TRUE(secure_input());
  act({{"action", "secure_input"}, {"on", false}});
  EXPECT_FALSE(secure_input());
  act({{"action", "secure_input"}, {"on", true}});
  EXPECT_TRUE(secure_input());
}

// The entry is resolved once per process, so each case runs in a new one.
class SecureInputDeathTest : public SecureInputTest {};

TEST_F(SecureInputDeathTest, MissingEntryCountsAsOff) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const json& carbon :
       {json(false), json{{"missing", {"IsSecureEventInputEnabled"}}}}) {
    SCOPED_TRACE(carbon.dump());
    EXPECT_EXIT(
        {
          load({{"carbon", carbon}, {"secure_input", true}});
          std::fprintf(stderr, "secure=%d\n", secure_input() ? 1 : 0);
          // Absent for the life of the process, whatever Carbon does later.
          load({{"secure_input", true}});
          std::fprintf(stderr, "later=%d\n", secure_input() ? 1 : 0);
          remove_log();
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "secure=0\nlater=0");
  }
}

}  // namespace
}  // namespace frontmost::platform
