// The deadline-bound accessibility reader of one screen report.
//
// A report creates one Reader with its budget and routes every
// accessibility read through it. Before each read the budget gate hands the
// whole remaining time to the platform as the process-wide messaging timeout,
// so a read to an application that does not answer ends at the deadline; with
// less than 1 ms left no read is made. `complete` starts true and only falls:
// a single read that failed or was skipped clears it; a multiple read leaves
// it to its caller. When the Reader goes away (on every path out of the
// report) the timeout is set back to 0.25 s and the system-wide element is
// released. The timeout is process-wide, so two Readers must never be alive
// at once: both reports run on the command thread, one command at a time.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "macos/focus.h"
#include "platform/ax.h"
#include "platform/cf.h"
#include "screen_text/nearby.h"

namespace frontmost::platform::screen {

using screen_text::Instant;
using screen_text::Now;

inline constexpr Instant kFocusBudget = std::chrono::milliseconds(12);
inline constexpr Instant kTextBudget = std::chrono::milliseconds(30);
inline constexpr Instant kShortestRead = std::chrono::milliseconds(1);

// The monotonic clock of the platform, as an Instant.
Instant monotonic_now();

// The messaging timeout for a read with `remaining` time left: whole seconds
// plus nanoseconds / 1e9 as a 32-bit float; none below kShortestRead.
std::optional<float> read_timeout(Instant remaining);

// One attribute of a multiple read: present with an owned value of any
// type, missing, or failed with an accessibility error code.
struct Outcome {
  enum class Kind { Present, Missing, Failed };
  Kind kind = Kind::Missing;
  cf::Ref value;      // Present
  ax::Error code = 0; // Failed

  static Outcome present(cf::Ref value) {
    return {Kind::Present, std::move(value), 0};
  }
  static Outcome missing() { return {Kind::Missing, {}, 0}; }
  static Outcome failed(ax::Error code) { return {Kind::Failed, {}, code}; }

  bool is_present() const { return kind == Kind::Present; }
  bool is_missing() const { return kind == Kind::Missing; }
  bool is_failed() const { return kind == Kind::Failed; }
  // As text: a present value that is not a string is failed with
  // kAXErrorFailure.
  AttrOutcome text() const;
};

class Reader {
 public:
  // Starts the budget now (by `now`, the monotonic clock unless a test
  // gives another).
  explicit Reader(Instant budget, Now now = monotonic_now);
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  Instant deadline() const { return deadline_; }
  Instant now() const { return now_(); }
  const Now& clock() const { return now_; }
  // Time left before the deadline; zero once it has passed.
  Instant remaining() const;
  // The system-wide element (borrowed).
  cf::TypeRef system_wide() const { return system_wide_.get(); }

  bool complete() const { return complete_; }
  void incomplete() { complete_ = false; }

  // The budget gate before a read: sets the messaging timeout to the time
  // left and says whether the read may be made: not when less than 1 ms is
  // left (then it touches nothing), nor when the timeout cannot be set.
  // Leaves `complete` alone.
  bool gate();

 private:
  Now now_;
  Instant deadline_;
  cf::Ref system_wide_;
  bool complete_ = true;
};

// One attribute whose value must be an element (`element`) or an array
// (`array`); none otherwise. No value, kAXErrorNoValue and
// kAXErrorAttributeUnsupported leave `complete` alone; a skipped read, any
// other error and a value of another type clear it.
cf::Ref element(Reader& reader, cf::TypeRef of, std::string_view name);
cf::Ref array(Reader& reader, cf::TypeRef of, std::string_view name);

// "AXFrame" of `element` as a rectangle. Consumes the element. A present
// value that is not a rectangle gives none without clearing `complete`.
std::optional<ax::Rect> frame(Reader& reader, cf::Ref element);

// Several attributes of one element in one platform call: the owned array of
// their entries, or the error code of the call as a whole (kAXErrorFailure
// when it succeeded without an array).
struct Multiple {
  cf::Ref values;
  ax::Error error = ax::kSuccess;
};
Multiple copy_multiple(cf::TypeRef of, std::span<const std::string_view> names);

// One entry of a multiple read (none: past the end of a short array).
Outcome unwrap_error(cf::Ref entry);

// `names.size()` outcomes into `out`, in the order of the names. False when
// the read as a whole was skipped (every outcome failed with
// kAXErrorCannotComplete) or failed (every outcome failed with its code).
// Never touches `complete`.
bool read_many(Reader& reader, cf::TypeRef of,
               std::span<const std::string_view> names, std::span<Outcome> out);

template <size_t N>
std::array<Outcome, N> many(Reader& reader, cf::TypeRef of,
                            const std::array<std::string_view, N>& names) {
  std::array<Outcome, N> out;
  read_many(reader, of, names, out);
  return out;
}

}  // namespace frontmost::platform::screen
