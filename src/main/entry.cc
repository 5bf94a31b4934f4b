#include "main/entry.h"

#include <cstdio>

#include "annotate/run.h"
#include "dictation/run.h"
#include "inspect/run.h"
#include "stream/exit_status.h"
#include "unicode/utf8.h"

namespace entry {

uint8_t dispatch(std::span<const std::string> args) {
  for (const std::string& arg : args) {
    if (!unicode::valid_utf8(arg)) {
      static constexpr std::string_view kMessage =
          "quorvel-computer-helper: an argument is not valid UTF-8\n";
      (void)std::fwrite(kMessage.data(), 1, kMessage.size(), stderr);
      return stream::exit_status::kBadArgument;
    }
  }
  if (!args.empty() && args[0] == "dictate") return dictation::run(args.subspan(1));
  if (args.size() == 1 && args[0] == "inspect") return inspect::run();
  if (args.size() == 1 && args[0] == "annotate") return annotate::platform::run();
  (void)std::fwrite(kUsage.data(), 1, kUsage.size(), stderr);
  return stream::exit_status::kUsage;
}

}  // namespace entry
