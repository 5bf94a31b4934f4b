#include "dictation/run.h"

#include <cstdio>
#include <optional>

#include "dictation/hotkey.h"
#include "dictation/service.h"
#include "stream/exit_status.h"

namespace dictation {

uint8_t run(std::span<const std::string> args) {
  std::optional<Hotkey> hotkey;
  if (args.size() == 2 && args[0] == "--key") hotkey = hotkey_from_word(args[1]);
  if (!hotkey) {
    (void)std::fwrite(kUsage.data(), 1, kUsage.size(), stderr);
    return stream::exit_status::kUsage;
  }
  return platform::run(*hotkey);
}

}  // namespace dictation
