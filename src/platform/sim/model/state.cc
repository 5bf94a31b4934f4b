// Loading the desktop, and the entry points of sim.h that act on its data.
#include "platform/sim/model/state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/cg_event.h"
#include "platform/sim/model/clock_shift.h"
#include "platform/sim/model/data_actions.h"
#include "platform/sim/model/desktop_file.h"
#include "platform/sim/model/element.h"
#include "platform/sim/model/log.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

std::once_flag LOAD_ONCE;

State& raw_state() {
  static State* s = new State;  // never destroyed: detached threads use it
  return *s;
}

[[noreturn]] void bad_desktop(const std::string& path,
                              const std::string& reason) {
  std::string line = "quorvel-computer-helper: desktop file " + path + ": " +
                     reason + "\n";
  ssize_t ignored = ::write(2, line.data(), line.size());
  (void)ignored;
  _exit(kBadDesktopStatus);
}

// The whole file; "" or why it cannot be read (a directory cannot).
std::string read_file(const char* path, std::string* out) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat st {};
  std::string why;
  if (::fstat(fd, &st) != 0) {
    why = std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    why = std::strerror(EISDIR);
  } else {
    char chunk[65536];
    for (;;) {
      ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n > 0) {
        out->append(chunk, static_cast<size_t>(n));
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        why = std::strerror(errno);
        break;
      }
    }
  }
  ::close(fd);
  return why;
}

void load_from_environment() {
  auto desktop = std::make_unique<Desktop>();
  const char* path = std::getenv("QUORVEL_DESKTOP");
  if (!path || !*path) {
    std::string r = parse_desktop("{}", desktop.get());
    (void)r;
  } else {
    std::string text;
    if (std::string why = read_file(path, &text); !why.empty()) {
      bad_desktop(path, "cannot be read (" + why + ")");
    }
    std::string r = parse_desktop(text, desktop.get());
    if (!r.empty()) bad_desktop(path, r);
  }
  clock_reset();
  apply_clock(desktop->clock);
  reset_faults(desktop->faults);
  raw_state().desktop = std::move(desktop);
}

}  // namespace

void ensure_loaded() { std::call_once(LOAD_ONCE, load_from_environment); }

State& state() {
  ensure_loaded();
  return raw_state();
}

std::string check_desktop(std::string_view text) {
  Desktop scratch;
  return parse_desktop(text, &scratch);
}

std::string load_for_test(std::string_view text) {
  // A test's desktop wins over the environment's.
  std::call_once(LOAD_ONCE, [] {});
  auto desktop = std::make_unique<Desktop>();
  std::string r = parse_desktop(text, desktop.get());
  if (!r.empty()) return r;
  reset_faults(desktop->faults);
  {
    // The old desktop marks its elements removed: under the lock, like
    // every other change of an element.
    std::lock_guard<std::mutex> lock(raw_state().mu);
    raw_state().desktop = std::move(desktop);
    ++raw_state().generation;
  }
  reset_messaging_timeout();
  clock_reset();
  with_desktop([](Desktop& d) { apply_clock(d.clock); });
  return "";
}

EventSettings event_settings() {
  return with_desktop([](Desktop& d) { return d.events; });
}

std::string apply_data_action(const nlohmann::json& action) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  DataAction parsed;
  std::string r = parse_data_action(action, &s.desktop->next_auto_id, &parsed);
  if (!r.empty()) return r;
  return apply(*s.desktop, parsed);
}

void key_posted(uint16_t keycode, bool key_down, uint64_t flags) {
  if (!key_down || !(flags & cg::kFlagCommand)) return;
  State& s = state();
  double delay_ms = 0;
  uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    const Desktop& d = *s.desktop;
    if (!d.paste || !d.keyboard.layout) return;
    const KeyOutput& k = d.keyboard.layout->lookup(Layer::Command, keycode);
    if (k.status != 0 || (k.units != u"v" && k.units != u"V")) return;
    delay_ms = d.paste->delay_ms;
    generation = s.generation;
  }
  auto react = [delay_ms, generation] {
    std::this_thread::sleep_for(
        std::chrono::duration<double, std::milli>(delay_ms));
    State& st = raw_state();
    {
      std::lock_guard<std::mutex> lock(st.mu);
      if (st.generation != generation) return;  // another desktop by now
      Desktop& d = *st.desktop;
      for (const auto& set : d.paste->sets) {
        NodePtr node = d.find(set.element);
        if (node && node->alive) set_attributes(*node, set.attributes);
      }
      if (d.paste->moves_focus) d.focus = d.paste->focus;
    }
    // Keys were posted, so the event side has opened this desktop's log.
    log_write({{"effect", "paste_applied"}});
  };
  try {
    std::thread(react).detach();
  } catch (const std::system_error&) {
    // No thread, no reaction: the application did not paste.
  }
}

}  // namespace sim
