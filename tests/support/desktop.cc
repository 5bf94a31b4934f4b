#include "support/desktop.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace support {
namespace {

using Clock = std::chrono::steady_clock;

std::string make_temp_dir() {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) base = ".";
  std::string pattern = (base / "qch-desktop-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
    return "";
  }
  return pattern;
}

// Opening a FIFO for writing blocks until a reader opens it; the helper
// opens it only once its event side has started.
int open_writer(const std::string& path, milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      int flags = ::fcntl(fd, F_GETFL);
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
      return fd;
    }
    if (errno != ENXIO && errno != EINTR) return -1;
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

}  // namespace

Desktop::Desktop(nlohmann::json desktop) {
  // A helper that exits while we write must not kill the test.
  ::signal(SIGPIPE, SIG_IGN);
  dir_ = make_temp_dir();
  file_ = dir_ + "/desktop.json";
  control_ = dir_ + "/control";
  log_ = dir_ + "/effects.log";
  if (::mkfifo(control_.c_str(), 0600) != 0) {
    ADD_FAILURE() << "mkfifo failed: " << std::strerror(errno);
  }
  desktop["control"] = control_;
  desktop["log"] = log_;
  std::ofstream(file_) << desktop.dump(2) << "\n";
}

Desktop::~Desktop() {
  // A reader still waiting for its first writer is released (it then sees
  // end of file).
  if (control_fd_ < 0) control_fd_ = ::open(control_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (control_fd_ >= 0) ::close(control_fd_);
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

nlohmann::json with_still_clock(nlohmann::json desktop) {
  if (!desktop.is_object()) return desktop;
  nlohmann::json& clock = desktop["clock"];
  if (clock.is_null()) clock = nlohmann::json::object();
  if (clock.is_object() && !clock.contains("still")) clock["still"] = true;
  return desktop;
}

Env Desktop::env() const { return {{"QUORVEL_DESKTOP", file_}}; }

void Desktop::act(const nlohmann::json& action) {
  if (control_fd_ < 0) {
    control_fd_ = open_writer(control_, milliseconds(5000));
    if (control_fd_ < 0) {
      ADD_FAILURE() << "the helper never opened its control FIFO";
      return;
    }
  }
  std::string line = action.dump() + "\n";
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(control_fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ADD_FAILURE() << "writing to the control FIFO failed: " << std::strerror(errno);
      return;
    }
    done += static_cast<size_t>(n);
  }
}

bool Desktop::sync(milliseconds timeout) {
  std::string label = "sync " + std::to_string(++markers_);
  act({{"action", "marker"}, {"label", label}});
  auto deadline = Clock::now() + timeout;
  for (;;) {
    for (const nlohmann::json& line : effects("marker")) {
      if (line.value("label", "") == label) return true;
    }
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

std::vector<nlohmann::json> Desktop::log() const {
  std::vector<nlohmann::json> lines;
  std::ifstream in(log_);
  std::string text;
  while (std::getline(in, text)) {
    // A line is written with one write(); a partial last line is left for
    // the next look.
    if (in.eof()) break;
    lines.push_back(nlohmann::json::parse(text, nullptr, false));
  }
  return lines;
}

std::vector<nlohmann::json> Desktop::effects(const std::string& kind) const {
  std::vector<nlohmann::json> found;
  for (nlohmann::json& line : log()) {
    if (line.is_object() && line.value("effect", "") == kind) found.push_back(std::move(line));
  }
  return found;
}

}  // namespace support
