// A simulated desktop for black-box tests: a desktop file in a fresh
// temporary folder, with a control FIFO and an effects log, and the means to
// drive it while the helper runs.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/child.h"

namespace support {

// `desktop` with a still monotonic clock unless it says how its clock runs:
// the helper's own work then takes no time, so a report's budget runs out
// only where the desktop makes it (a slow application), however loaded the
// machine is. Anything but an object is returned as it is.
nlohmann::json with_still_clock(nlohmann::json desktop);

class Desktop {
 public:
  // `desktop` is the desktop file's content; "control" and "log" are added.
  explicit Desktop(nlohmann::json desktop = nlohmann::json::object());
  ~Desktop();  // removes the folder
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // The environment that points the helper at this desktop.
  Env env() const;
  const std::string& file() const { return file_; }
  const std::string& log_path() const { return log_; }

  // Sends one action line to the control FIFO (opened on first use; the
  // helper must be running).
  void act(const nlohmann::json& action);
  // Sends a marker and waits until it appears in the effects log, so that
  // every action sent before it has been applied. False on timeout.
  bool sync(milliseconds timeout = milliseconds(5000));
  // The effects log so far, one parsed value per line.
  std::vector<nlohmann::json> log() const;
  // The lines of the log whose "effect" is `kind`, in order.
  std::vector<nlohmann::json> effects(const std::string& kind) const;

 private:
  std::string dir_, file_, control_, log_;
  int control_fd_ = -1;
  int markers_ = 0;
};

}  // namespace support
