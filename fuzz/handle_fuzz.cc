// Command lines of the dictate mode against fake operations: whatever the
// line, handling it never crashes and writes at most one reply, which is one
// JSON object on one line.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dictation/commands.h"
#include "json/value.h"
#include "unicode/utf8.h"

namespace {

using frontmost::platform::PasteResult;

int captured = -1;  // read end of the pipe that replaced standard output
int CALLS = 0;

const dictation::Operations& fakes() {
  static const dictation::Operations ops{
      [] {
        ++CALLS;
        switch (CALLS % 3) {
          case 0: return PasteResult{PasteResult::Outcome::Pasted, ""};
          case 1: return PasteResult{PasteResult::Outcome::NotConfirmed, ""};
          default: return PasteResult{PasteResult::Outcome::Failed, "odd\n\"reason\"\x01"};
        }
      },
      [] {
        ++CALLS;
        return json::Value::parse(R"({"focused":true,"text_field":true,"secure":false,
                                      "before":"\n","event":"context"})");
      },
      [] { return (++CALLS & 1) != 0; },
      [] {
        ++CALLS;
        return json::Value::parse(R"({"focused":true,"labels":["\u0000"],"event":"x"})");
      },
      [](int32_t pid) {
        ++CALLS;
        return (pid & 1) != 0 ? json::Value::object()
                              : json::Value::parse(R"({"before":null,"text":"a\nb"})");
      },
      [](int32_t pid, bool enhanced) {
        ++CALLS;
        using Result = frontmost::platform::AccessibilityResult;
        return static_cast<Result>((static_cast<uint32_t>(pid) + (enhanced ? 1u : 0u)) % 5);
      },
  };
  return ops;
}

std::string drain() {
  std::string out;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(captured, chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<size_t>(n));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  int ends[2];
  if (::pipe(ends) != 0 || ::dup2(ends[1], STDOUT_FILENO) < 0) std::abort();
  ::close(ends[1]);
  ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  captured = ends[0];
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The reader hands over valid UTF-8 lines without their terminator.
  std::string line = unicode::replace_invalid_utf8(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (line.find('\n') != std::string::npos) return 0;

  dictation::Command command = dictation::parse_command(line);
  dictation::handle(line, fakes());
  std::string out = drain();
  if (out.empty()) return 0;

  if (out.back() != '\n' || out.find('\n') != out.size() - 1) std::abort();
  json::Value reply = json::Value::parse(out, nullptr, /*allow_exceptions=*/false);
  if (!reply.is_object()) std::abort();
  auto event = reply.find("event");
  if (event == reply.end() || !event->is_string()) std::abort();
  auto id = reply.find("id");
  if (id != reply.end() && (!command.id || *id != *command.id)) std::abort();
  return 0;
}
