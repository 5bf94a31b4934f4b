// Paste into the focused field: Command+V on the key that gives V in the
// current layout, then watching the field to confirm that the text landed.
#pragma once

#include <string>

namespace frontmost::platform {

struct PasteResult {
  enum class Outcome { Pasted, NotConfirmed, Failed };
  Outcome outcome = Outcome::Pasted;
  std::string reason;  // Failed only: "bad_key" or "action_failed"
};

// Runs on the command thread and blocks it for at most about one second.
PasteResult paste();

}  // namespace frontmost::platform
