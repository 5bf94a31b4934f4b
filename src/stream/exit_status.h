// The exit statuses of the helper, all in one place. A host tells the ways
// the process ended apart by these numbers alone (docs/protocol.md).
#pragma once

#include <cstdint>

namespace stream::exit_status {

// Normal end: end of standard input (dictate, annotate), or an inspect
// request answered.
inline constexpr uint8_t kOk = 0;
// A usage text was written; an inspect request could not be read.
inline constexpr uint8_t kUsage = 1;
// dictate, annotate: the event tap was made but does not run (no run-loop
// source, or it stays off when turned on, at start or after the system
// turned it off); one diagnostic line on standard error.
inline constexpr uint8_t kTapNotRunning = 1;
// An argument is not valid UTF-8; no mode started.
inline constexpr uint8_t kBadArgument = 2;
// The event tap was refused ("denied" was written).
inline constexpr uint8_t kDenied = 3;
// A thread could not be started (EX_OSERR of sysexits.h).
inline constexpr uint8_t kSpawnFailed = 71;
// inspect: the response could not be written whole (EX_IOERR of
// sysexits.h); nothing on standard error.
inline constexpr uint8_t kUnwritten = 74;
// The simulated desktop's file could not be used (EX_CONFIG of sysexits.h).
inline constexpr uint8_t kBadDesktop = 78;

}  // namespace stream::exit_status
