// Standard input of the long-running modes: whatever the bytes and however
// they arrive (in small pieces, to a reader that finds its non-blocking pipe
// empty and must wait, reading in chunks of any size), the line reader gives
// back exactly the lines of the text (a "\r" before each "\n" dropped, a last
// unterminated line kept, NUL bytes and all); recognising a command in a
// UTF-8 line never fails; and a dictate argument holding a NUL is never
// taken for a JSON string.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dictation/commands.h"
#include "stream/stream.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace {

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string_view::npos; start = nl + 1) {
    size_t end = nl > start && text[nl - 1] == '\r' ? nl - 1 : nl;
    lines.emplace_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  int fds[2];
  if (::pipe(fds) != 0) return 0;
  ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  // The first byte picks the sizes of the pieces written and of the reads.
  size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
  size_t chunk = size > 0 ? 1 + (data[0] >> 6) * 21 : 1;
  std::thread writer([&] {
    for (size_t done = 0; done < text.size();) {
      ssize_t n = ::write(fds[1], text.data() + done, std::min(piece, text.size() - done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fds[1]);
  });
  stream::LineReader reader(fds[0], chunk);
  std::vector<std::string> got;
  while (std::optional<std::string> line = reader.next()) {
    if (unicode::valid_utf8(*line)) (void)(unicode::trim_white_space(*line) == "windows");
    if (line->find('\0') != std::string::npos && dictation::is_json_string(*line)) std::abort();
    got.push_back(std::move(*line));
  }
  writer.join();
  ::close(fds[0]);
  if (reader.failed() || got != split(text)) std::abort();
  return 0;
}
