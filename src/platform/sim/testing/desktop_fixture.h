// The in-process desktop fixture of every test that runs platform code
// against the simulated desktop (the simulator's own tests and those of the
// frontmost operations and screen reading):
//  - loading a desktop into this process (LOAD, use, DesktopTest::load);
//  - reading it back: the focused element, an element by id, the text of a
//    string, the effects logged and the keys posted since the load;
//  - the ownership audit around a block (AuditScope) or a whole test
//    (DesktopTest checks it on tear-down);
//  - a tap served by a thread of its own (TapThread), and polling.
// Included by *_test.cc files only.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/ax.h"
#include "platform/cf.h"
#include "platform/cg_event.h"
#include "platform/run_loop.h"
#include "platform/sim/model/audit.h"
#include "platform/sim/drive/events.h"
#include "platform/sim/sim.h"
#include "support/desktop.h"

namespace sim::testing {

// ---- loading ---------------------------------------------------------------

// Loads a desktop; a test that cannot load its desktop stops.
#define LOAD(...) ASSERT_EQ(::sim::load_for_test((__VA_ARGS__).dump()), "")

// Makes the desktop file of `desktop` the one this process runs on, event
// side included.
inline void use(const support::Desktop& desktop) {
  std::ifstream in(desktop.file());
  std::stringstream text;
  text << in.rdbuf();
  ASSERT_EQ(sim::load_for_test(text.str()), "");
  sim::reset_event_side();
}

// A desktop on disk with a control FIFO and an effects log of its own
// (support::Desktop), loaded into this process; the event side is reset
// after each test, before the files go away.
class FileDesktopTest : public ::testing::Test {
 protected:
  void load(nlohmann::json desktop = nlohmann::json::object()) {
    desktop_ = std::make_unique<support::Desktop>(std::move(desktop));
    use(*desktop_);
  }
  void TearDown() override {
    sim::reset_event_side();
    desktop_.reset();
  }
  void act(const nlohmann::json& action) {
    EXPECT_EQ(sim::apply_action(action), "") << action;
  }
  std::vector<nlohmann::json> effects(const std::string& kind) {
    return desktop_->effects(kind);
  }

  std::unique_ptr<support::Desktop> desktop_;
};

// ---- reading the desktop back ----------------------------------------------

// The focused element (owned), or null.
inline cf::Ref focused() {
  cf::Ref system = ax::create_system_wide();
  cf::Ref value;
  ax::copy_attribute_value(system.get(), "AXFocusedUIElement", &value);
  return value;
}

// Element by id: made focused for a moment, then focus goes back to none.
inline cf::Ref element(const std::string& id) {
  EXPECT_EQ(apply_data_action({{"action", "focus"}, {"element", id}}), "");
  cf::Ref e = focused();
  EXPECT_EQ(apply_data_action({{"action", "focus"}, {"element", nullptr}}), "");
  return e;
}

// The units of a string, ASCII as itself and every other unit as \u<decimal>.
inline std::string utf8(cf::TypeRef string) {
  std::string out;
  for (char16_t u : cf::string_units(string)) {
    if (u < 0x80) out += static_cast<char>(u);
    else out += "\\u" + std::to_string(static_cast<int>(u));
  }
  return out;
}

// ---- ownership audit -------------------------------------------------------

// Watches that a block of code gives back every object it made.
class AuditScope {
 public:
  AuditScope() : before_(audit()) {}
  void expect_balanced() const {
    Audit now = audit();
    EXPECT_EQ(now.live, before_.live);
    EXPECT_EQ(now.over_releases, before_.over_releases);
  }

 private:
  Audit before_;
};

// ---- threads and time ------------------------------------------------------

// A number that tells the calling thread from every other live one.
inline uint64_t thread_id() {
  return std::hash<std::thread::id>{}(std::this_thread::get_id());
}

// Polls `done` every few milliseconds; false if it is still false after
// `timeout`.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// ---- taps ------------------------------------------------------------------

// What a tap callback saw of one event.
struct Seen {
  cg::EventType type = 0;
  int64_t keycode = 0, autorepeat = 0, source_pid = 0;
  cg::Flags flags = 0;
  cg::Point at;
  uint64_t thread = 0;
};

// A tap created, added to its own thread's run loop and enabled there; the
// thread serves its run loop until the object goes away.
class TapThread {
 public:
  struct Options {
    bool listen_only = false;
    cg::EventMask mask = ~cg::EventMask{0};
    std::function<bool(const Seen&)> withhold = nullptr;  // null: never
    bool reenable = true;                       // after a disabled notice
  };

  explicit TapThread(Options options) : options_(std::move(options)) {
    std::promise<bool> ready;
    auto created = ready.get_future();
    thread_ = std::thread([this, &ready] { body(ready); });
    created_ = created.get();
  }
  ~TapThread() {
    if (loop_) cf::run_loop_stop(loop_);
    thread_.join();
  }

  bool created() const { return created_; }
  uint64_t thread() const { return thread_id_; }
  std::vector<Seen> seen() const {
    std::lock_guard lock(mu_);
    return seen_;
  }

 private:
  void body(std::promise<bool>& ready) {
    thread_id_ = thread_id();
    cf::Ref tap = cg::event_tap_create(
        cg::TapLocation::Session, cg::TapPlacement::HeadInsert,
        options_.listen_only ? cg::TapOptions::ListenOnly : cg::TapOptions::Default,
        options_.mask, &TapThread::callback, this);
    if (!tap) {
      ready.set_value(false);
      return;
    }
    tap_ = tap.get();
    {
      cf::Ref source = cf::mach_port_create_run_loop_source(tap.get(), 0);
      cf::run_loop_add_source(cf::run_loop_get_current(), source.get());
    }
    cg::event_tap_enable(tap.get(), true);
    loop_ = cf::run_loop_get_current();
    ready.set_value(true);
    cf::run_loop_run();
  }

  static cf::TypeRef callback(cg::TapProxy, cg::EventType type, cf::TypeRef event,
                              void* user) {
    auto* self = static_cast<TapThread*>(user);
    Seen seen;
    seen.type = type;
    seen.keycode = cg::event_get_integer_field(event, cg::kFieldKeyboardEventKeycode);
    seen.autorepeat = cg::event_get_integer_field(event, cg::kFieldKeyboardEventAutorepeat);
    seen.source_pid = cg::event_get_integer_field(event, cg::kFieldEventSourceUnixProcessID);
    seen.flags = cg::event_get_flags(event);
    seen.at = cg::event_get_location(event);
    seen.thread = thread_id();
    {
      std::lock_guard lock(self->mu_);
      self->seen_.push_back(seen);
    }
    if (type == cg::kTapDisabledByTimeout || type == cg::kTapDisabledByUserInput) {
      if (self->options_.reenable) cg::event_tap_enable(self->tap_, true);
      return event;
    }
    if (self->options_.withhold && self->options_.withhold(seen)) return nullptr;
    return event;
  }

  Options options_;
  std::thread thread_;
  bool created_ = false;
  std::atomic<uint64_t> thread_id_{0};
  cf::TypeRef tap_ = nullptr;          // owned by the thread
  cf::RunLoopRef loop_ = nullptr;
  mutable std::mutex mu_;
  std::vector<Seen> seen_;
};

// ---- a whole test on one desktop -------------------------------------------

// A key event posted, as the effects log records it.
struct Posted {
  int keycode = -1;
  bool down = false;
  uint64_t flags = 0;
  bool operator==(const Posted&) const = default;
};

inline void PrintTo(const Posted& p, std::ostream* os) {
  *os << "{" << p.keycode << (p.down ? " down" : " up") << " flags 0x"
      << std::hex << p.flags << std::dec << "}";
}

// Loads desktops with an effects log of its own, reads back what was logged
// since the last load, and checks after each test that every platform object
// handed out since that load was released exactly once.
class DesktopTest : public ::testing::Test {
 protected:
  // One log for the whole program: the event side may keep it open across
  // desktops, so each test reads only what was appended after its load.
  static const std::string& log_path() {
    static const std::string path = [] {
      std::string pattern =
          (std::filesystem::temp_directory_path() / "qch-desktop-XXXXXX")
              .string();
      char* dir = mkdtemp(pattern.data());
      return dir ? std::string(dir) + "/effects.log" : std::string();
    }();
    // Registered after `path` is made, so it runs before `path` goes away.
    [[maybe_unused]] static const bool cleanup = std::atexit(remove_log) == 0;
    return path;
  }
  // Runs at exit; children that end with _Exit call it themselves.
  static void remove_log() {
    std::error_code ignored;
    std::filesystem::remove_all(
        std::filesystem::path(log_path()).parent_path(), ignored);
  }

  // Replaces the desktop; the audit baseline is taken right after.
  void load(nlohmann::json desktop) {
    expect_balanced();
    desktop["log"] = log_path();
    std::string reason = sim::load_for_test(desktop.dump());
    ASSERT_EQ(reason, "") << desktop.dump();
    sim::reset_event_side();
    std::error_code ignored;
    log_start_ = std::filesystem::file_size(log_path(), ignored);
    if (ignored) log_start_ = 0;
    baseline_ = sim::audit();
    loaded_ = true;
  }

  void act(const nlohmann::json& action) {
    ASSERT_EQ(sim::apply_action(action), "") << action.dump();
  }

  std::vector<nlohmann::json> effects(const std::string& kind) const {
    std::vector<nlohmann::json> found;
    std::ifstream in(log_path());
    in.seekg(static_cast<std::streamoff>(log_start_));
    std::string line;
    while (std::getline(in, line)) {
      auto value = nlohmann::json::parse(line, nullptr, false);
      if (value.is_object() && value.value("effect", "") == kind) {
        found.push_back(value);
      }
    }
    return found;
  }

  std::vector<Posted> posted() const {
    std::vector<Posted> keys;
    for (const auto& e : effects("posted")) {
      keys.push_back({e.value("keycode", -1), e.value("down", false),
                      e.value("flags", uint64_t{0})});
    }
    return keys;
  }

  static std::vector<Posted> command_v(int keycode) {
    return {{keycode, true, 0x100000}, {keycode, false, 0x100000}};
  }

  // Everything handed out since the last load has been released once.
  void expect_balanced() {
    if (!loaded_) return;
    sim::Audit after = sim::audit();
    EXPECT_EQ(after.live, baseline_.live) << "objects leaked or lost";
    EXPECT_EQ(after.over_releases, baseline_.over_releases);
  }

  void TearDown() override { expect_balanced(); }

 private:
  uintmax_t log_start_ = 0;
  sim::Audit baseline_;
  bool loaded_ = false;
};

}  // namespace sim::testing
