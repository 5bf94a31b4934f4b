#include "macos/secure_input.h"

#include <mutex>

#include "platform/library.h"

namespace frontmost::platform {

namespace {
// The one-time-resolved entry; stays null when Carbon or the name is absent.
std::once_flag CHECK_ONCE;
carbon::IsSecureEventInputEnabledFn CHECK = nullptr;
}  // namespace

bool secure_input() {
  std::call_once(CHECK_ONCE, [] {
    void* library = dl::open(carbon::kPath, dl::kLazy);
    if (!library) return;
    CHECK = reinterpret_cast<carbon::IsSecureEventInputEnabledFn>(
        dl::symbol(library, "IsSecureEventInputEnabled"));
  });
  return CHECK != nullptr && CHECK() != 0;
}

}  // namespace frontmost::platform
