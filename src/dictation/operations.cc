#include "dictation/operations.h"

#include "macos/app_accessibility.h"
#include "macos/caret.h"
#include "macos/pasteboard.h"
#include "macos_screen/focus.h"
#include "macos_screen/text.h"

namespace dictation::platform {

const Operations& platform_operations() {
  static const Operations operations{
      &frontmost::platform::paste,
      &frontmost::platform::caret_context,
      &frontmost::platform::pasteboard_sensitive,
      &frontmost::platform::screen::focus,
      &frontmost::platform::screen::text,
      &frontmost::platform::app_accessibility,
  };
  return operations;
}

void handle(std::string_view line) { dictation::handle(line, platform_operations()); }

}  // namespace dictation::platform
