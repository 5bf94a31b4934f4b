#include "annotate/commands.h"

#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

#include "annotate/emit.h"
#include "annotate/spawn.h"
#include "dictation/channel.h"
#include "dictation/ending.h"
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

// The replies go out on a thread of their own, so that the reader sees the
// end of input even while standard output is full and nobody reads it.
void writer(dictation::Receiver<json::Value> replies) {
  while (std::optional<json::Value> reply = replies.receive()) {
    emit(*reply);
    replies.mark_done();
  }
}

// Ending the process ends every thread of the mode: the tap, the run loop
// and the poller stop with it. Every line is written whole before its
// writer returns: nothing to flush.
[[noreturn]] void reader(dictation::Sender<json::Value> replies,
                         dictation::Watcher<json::Value> written) {
  stream::LineReader input(STDIN_FILENO);
  while (std::optional<std::string> line = input.next()) {
    if (!unicode::valid_utf8(*line)) break;
    json::Value reply = answer(*line);
    if (!reply.is_null()) (void)replies.send(std::move(reply));
  }
  dictation::platform::end_of_input(
      [&written](std::chrono::nanoseconds wait) { return written.wait_settled(wait); });
}

}  // namespace

void read_commands() {
  auto [sender, receiver] = dictation::make_channel<json::Value>();
  dictation::Watcher<json::Value> written = receiver.watcher();
  spawn_detached("writer", [replies = std::move(receiver)]() mutable {
    writer(std::move(replies));
  });
  spawn_detached("reader", [replies = std::move(sender), written]() mutable {
    reader(std::move(replies), written);
  });
}

}  // namespace annotate::platform
