// Standard input of the annotate mode: whatever the bytes and however they
// arrive (in small pieces, to a reader that finds the pipe empty and must
// wait), the line reader gives back exactly the lines of the text (a "\r"
// before each "\n" dropped), and recognising the command in a line that is
// UTF-8 never fails.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "annotate/line_reader.h"
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
  // The first byte picks the sizes of the pieces the writer hands over.
  size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
  std::thread writer([&] {
    for (size_t done = 0; done < text.size();) {
      ssize_t n = ::write(fds[1], text.data() + done, std::min(piece, text.size() - done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fds[1]);
  });
  annotate::LineReader reader(fds[0]);
  std::vector<std::string> got;
  std::string line;
  annotate::LineReader::Result result;
  while ((result = reader.next(line)) == annotate::LineReader::Result::Line) {
    if (unicode::valid_utf8(line)) (void)(unicode::trim_white_space(line) == "windows");
    got.push_back(line);
  }
  writer.join();
  ::close(fds[0]);
  if (result != annotate::LineReader::Result::End || got != split(text)) std::abort();
  return 0;
}
