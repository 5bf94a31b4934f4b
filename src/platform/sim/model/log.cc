// The effects log: opened per desktop, one write() per line.
#include "platform/sim/model/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "stream/stream.h"

namespace sim {
namespace {

struct Log {
  std::mutex mu;
  int fd = -1;
  std::atomic<bool> open{false};  // fd >= 0, read without the lock
};

Log& the_log() {
  static Log* log = new Log;  // never destroyed: written to during exit
  return *log;
}

}  // namespace

void log_open(const std::string& path) {
  Log& log = the_log();
  std::lock_guard lock(log.mu);
  if (log.fd >= 0) ::close(log.fd);
  log.fd = -1;
  log.open = false;
  if (path.empty()) return;
  log.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  log.open = log.fd >= 0;
}

bool log_active() { return the_log().open.load(std::memory_order_relaxed); }

void log_write(const nlohmann::json& line) {
  Log& log = the_log();
  if (!log.open.load(std::memory_order_relaxed)) return;
  std::string text =
      line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  text += '\n';
  std::lock_guard lock(log.mu);
  if (log.fd >= 0) (void)stream::write_all(log.fd, text);  // a full disk loses the line
}

}  // namespace sim
