// quorvel-computer-e2e: the driver of scripts/macos-e2e.
//
//   quorvel-computer-e2e judge LINE EXPECTATION...   (e2e/expect.h)
//   quorvel-computer-e2e permissions                 (e2e/system.h)
//   quorvel-computer-e2e focus
//   quorvel-computer-e2e post STEP...                (e2e/steps.h)
//
// judge writes nothing and exits 0 when the line meets every expectation,
// else one line saying why and 1. permissions and focus write one JSON line
// and exit 0; post exits 0 once every event was posted, 1 when one could not
// be made. A usage error exits 2 with the usage text on standard error.
// Built on every system; against the simulated desktop the system commands
// see the desktop of this process only, so only judge is of use there.
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/expect.h"
#include "e2e/steps.h"
#include "e2e/system.h"
#include "json/write.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvel-computer-e2e judge LINE EXPECTATION... | permissions | focus | "
    "post STEP...\n";

int usage(const std::string& why) {
  if (!why.empty()) std::fprintf(stderr, "quorvel-computer-e2e: %s\n", why.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

int print(const json::Value& value) {
  std::puts(json::serialize(value).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (args.empty()) return usage("");
  std::string_view command = args.front();
  std::span<const std::string_view> rest(args.data() + 1, args.size() - 1);
  if (command == "judge") {
    if (rest.size() < 2) return usage("judge needs a line and an expectation");
    std::vector<e2e::Expectation> expectations(rest.size() - 1);
    for (size_t i = 1; i < rest.size(); ++i) {
      std::string why = e2e::parse_expectation(rest[i], &expectations[i - 1]);
      if (!why.empty()) return usage(why);
    }
    std::string failed = e2e::judge_line(rest.front(), expectations);
    if (failed.empty()) return 0;
    std::puts(failed.c_str());
    return 1;
  }
  if (command == "permissions" && rest.empty()) return print(e2e::permissions());
  if (command == "focus" && rest.empty()) return print(e2e::focus());
  if (command == "post") {
    std::vector<e2e::Step> steps;
    std::string why = e2e::parse_steps(rest, &steps);
    if (!why.empty()) return usage(why);
    return e2e::post(steps) ? 0 : 1;
  }
  return usage("unknown command or arguments: " + std::string(command));
}
