// quorvel-computer-selfcheck: one line per check, then "N passed, N failed".
// Exit status 0 when every check passed, 1 otherwise.
#include <cstdio>

#include "selfcheck/checks.h"

int main() {
  int passed = 0, failed = 0;
  for (const selfcheck::Outcome& o : selfcheck::run_all()) {
    (o.passed ? passed : failed) += 1;
    std::printf("%s %s%s%s\n", o.passed ? "ok  " : "FAIL", o.name.c_str(),
                o.detail.empty() ? "" : ": ", o.detail.c_str());
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
