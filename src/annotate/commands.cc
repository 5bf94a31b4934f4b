#include "annotate/commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "annotate/emit.h"
#include "annotate/spawn.h"
#include "macos/windows.h"
#include "platform/clock.h"
#include "stream/stream.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace annotate::platform {

json::Value answer(std::string_view line) {
  if (unicode::trim_white_space(line) != "windows") return json::Value();
  json::Value reply = json::Value::object();
  reply["event"] = "windows";
  reply["t"] = clocks::wall_millis();
  // Taken after "t": the list may take a while to come.
  reply["windows"] = frontmost::platform::cg_windows::list();
  return reply;
}

namespace {

// Ends the whole process: the tap, the run loop and the poller stop with it.
// Every line is written whole before its writer returns: nothing to flush.
[[noreturn]] void end_process() {
  std::_Exit(0);
}

[[noreturn]] void reader() {
  stream::LineReader input(STDIN_FILENO);
  while (std::optional<std::string> line = input.next()) {
    if (!unicode::valid_utf8(*line)) break;
    json::Value reply = answer(*line);
    if (!reply.is_null()) emit(reply);
  }
  end_process();
}

}  // namespace

void read_commands() { spawn_detached("reader", &reader); }

}  // namespace annotate::platform
