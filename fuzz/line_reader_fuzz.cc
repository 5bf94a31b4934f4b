// The dictate mode's line reader over any bytes, read in chunks of any size:
// the lines it returns are exactly the input split at "\n" (a "\r" before
// it dropped, a last unterminated line kept), NUL bytes and all; and a
// command argument holding a NUL is never taken for a JSON string.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "dictation/commands.h"
#include "stream/stream.h"

namespace {

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    size_t length = end - start;
    if (length > 0 && text[end - 1] == '\r') --length;
    lines.emplace_back(text.substr(start, length));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t chunk = 1 + data[0] % 64;
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  int fd = memfd_create("lines", 0);
  if (fd < 0) abort();
  if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) abort();
  ::lseek(fd, 0, SEEK_SET);
  stream::LineReader reader(fd, chunk);
  std::vector<std::string> lines;
  while (std::optional<std::string> line = reader.next()) lines.push_back(std::move(*line));
  ::close(fd);
  if (reader.failed() || lines != split(text)) abort();

  for (const std::string& line : lines) {
    if (line.find('\0') != std::string::npos && dictation::is_json_string(line)) abort();
  }
  return 0;
}
