#include "json/line.h"

#include <unistd.h>

#include <atomic>
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

std::atomic<uint64_t> BEGUN{0};
std::atomic<uint64_t> ENDED{0};

bool write_locked(const std::string& line) {
  std::lock_guard<std::mutex> hold(output_lock());
  BEGUN.fetch_add(1, std::memory_order_relaxed);
  bool whole = stream::write_all(STDOUT_FILENO, line);
  ENDED.fetch_add(1, std::memory_order_relaxed);
  return whole;
}

}  // namespace

void stop_output() { output_lock().lock(); }  // never unlocked

void write_line(const Value& value) {
  std::string line;
  serialize_to(value, line);
  line.push_back('\n');
  // Errors are dropped: a host that went away must not end the process.
  (void)write_locked(line);
}

bool write_raw_line(std::string_view text) {
  std::string line(text);
  line.push_back('\n');
  return write_locked(line);
}

Progress progress() {
  // Relaxed loads are enough for a watchdog that looks twice, some time
  // apart: a write that ends between them shows as progress the second time.
  uint64_t done = ENDED.load(std::memory_order_relaxed);
  return {BEGUN.load(std::memory_order_relaxed), done};
}

}  // namespace json
