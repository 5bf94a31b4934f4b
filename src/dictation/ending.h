// The end of input of the long-running modes (dictate and annotate).
//
// When the host closes standard input the process ends with status 0: at
// once when everything owed to the host has been written, and within about
// one second whatever standard output is doing. While the host reads,
// nothing is cut short: replies and key events go out in order, whole, all
// of them. A host that stops reading gets kEndGrace to start again; after
// that, the process ends as soon as a line write has waited on standard
// output for kStuckAfter without any line getting through, and the lines
// still owed are dropped (one of them possibly cut short).
#pragma once

#include <chrono>
#include <functional>

namespace dictation::platform {

inline constexpr std::chrono::seconds kEndGrace{1};
inline constexpr std::chrono::milliseconds kStuckAfter{50};

// Waits at most the given time for what the mode owes the host; true once
// all of it is written.
using Settled = std::function<bool(std::chrono::nanoseconds)>;

// Called by the thread that saw the end of input, after it has handed the
// end on. Ends the process with status 0 when `settled` says so or when
// standard output is stuck after kEndGrace; never returns. Other threads may
// end the process first.
[[noreturn]] void end_of_input(const Settled& settled);

// A `settled` that only waits: for a mode whose other threads end the
// process once they are done.
bool never_settled(std::chrono::nanoseconds wait);

}  // namespace dictation::platform
