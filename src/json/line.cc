#include "json/line.h"

#include <unistd.h>

#include <mutex>
#include <string>

#include "json/write.h"
#include "stream/stream.h"

namespace json {
namespace {

std::mutex& output_lock() {
  static std::mutex lock;  // never destroyed before the last line
  return lock;
}

void write_locked(const std::string& line) {
  std::lock_guard<std::mutex> hold(output_lock());
  // Errors are dropped: a host that went away must not end the process.
  (void)stream::write_all(STDOUT_FILENO, line);
}

}  // namespace

void write_line(const Value& value) {
  std::string line;
  serialize_to(value, line);
  line.push_back('\n');
  write_locked(line);
}

void write_raw_line(std::string_view text) {
  std::string line(text);
  line.push_back('\n');
  write_locked(line);
}

}  // namespace json
