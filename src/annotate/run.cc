#include "annotate/run.h"

#include <cstdio>
#include <string_view>

namespace annotate::platform {

// The annotate mode's tap, pointer polling and window list are not in this
// build yet; the mode refuses to start rather than pretend to track input.
uint8_t run() {
  static constexpr std::string_view kMessage =
      "quorvel-computer-helper: annotate is not available in this build\n";
  (void)std::fwrite(kMessage.data(), 1, kMessage.size(), stderr);
  return 1;
}

}  // namespace annotate::platform
