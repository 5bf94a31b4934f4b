// The leak check of builds with LeakSanitizer (AddressSanitizer builds);
// nothing in other builds. Which file defines it is chosen in CMake.
#pragma once

namespace stream {

// Reports every leak found now and, if there is one, ends the process with
// the checker's exit status. Call it at most once, just before an exit that
// skips the checker's own (std::_Exit).
void check_leaks();

}  // namespace stream
