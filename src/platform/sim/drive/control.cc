// The control FIFO's reader thread and the script's timer thread.
#include "platform/sim/drive/control.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <system_error>
#include <thread>

#include "json/strict.h"
#include "platform/sim/drive/events_state.h"
#include "stream/stream.h"

namespace sim {
namespace {

void apply_logged(const nlohmann::json& action) {
  std::string reason = apply_action(action);
  if (!reason.empty()) {
    log_effect({{"effect", "rejected"}, {"action", action}, {"reason", reason}});
  }
}

void control_loop(const std::string& path, uint64_t generation) {
  while (event_generation() == generation) {
    // Blocks until a writer opens the FIFO.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      log_effect({{"effect", "rejected"},
                  {"control", path},
                  {"reason", "cannot open the control FIFO"}});
      return;
    }
    struct stat st {};
    bool fifo = ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode);
    // Read to the writer's end; a writer that ends without a newline still
    // ends its last line. Lines of an older desktop are not applied.
    stream::LineReader lines(fd, 4096);
    while (std::optional<std::string> line = lines.next()) {
      if (event_generation() == generation) apply_control_line(*line);
    }
    ::close(fd);
    if (!fifo) return;  // a plain file is read once
  }
}

void script_loop(const std::vector<ScriptItem>& items, uint64_t generation) {
  auto start = std::chrono::steady_clock::now();
  for (const ScriptItem& item : items) {
    auto at = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double, std::milli>(item.at_ms));
    std::this_thread::sleep_until(at);
    if (event_generation() != generation) return;
    nlohmann::json action = item.action;
    if (action.is_object()) action.erase("at_ms");
    apply_logged(action);
  }
}

}  // namespace

void apply_control_line(std::string_view line) {
  if (line.find_first_not_of(" \t\r") == std::string_view::npos) return;
  nlohmann::json action;
  if (std::string r = ::json::parse_strictly(line, &action); !r.empty()) {
    if (r == "not valid JSON") r = "not JSON";
    log_effect({{"effect", "rejected"}, {"line", std::string(line)}, {"reason", r}});
    return;
  }
  apply_logged(action);
}

void start_control_thread(const std::string& path, uint64_t generation) {
  try {
    std::thread(control_loop, path, generation).detach();
  } catch (const std::system_error&) {
    log_effect({{"effect", "rejected"}, {"control", path}, {"reason", "no thread"}});
  }
}

void start_script_thread(std::vector<ScriptItem> items, uint64_t generation) {
  try {
    std::thread(script_loop, std::move(items), generation).detach();
  } catch (const std::system_error&) {
    log_effect({{"effect", "rejected"}, {"script", true}, {"reason", "no thread"}});
  }
}

}  // namespace sim
