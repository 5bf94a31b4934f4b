// Run-time libraries: Carbon and AppKit open when the desktop has them, and
// Carbon's symbols unless the desktop takes them away.
#include <cstring>

#include "platform/sim/api/fault.h"
#include "platform/library.h"
#include "platform/sim/api/carbon.h"
#include "platform/sim/model/state.h"

namespace sim {
namespace {

char CARBON_HANDLE;
char APPKIT_HANDLE;

}  // namespace
}  // namespace sim

namespace dl {

void* open(const char* path, int) {
  sim::Call call("dlopen");
  if (call.fails()) return nullptr;
  if (!path) return nullptr;
  bool carbon = !std::strcmp(path, carbon::kPath);
  bool appkit = !std::strcmp(path, appkit::kPath);
  if (!carbon && !appkit) return nullptr;
  bool present = sim::with_desktop(
      [&](const sim::Desktop& d) { return carbon ? d.carbon : d.appkit; });
  if (!present) return nullptr;
  return carbon ? &sim::CARBON_HANDLE : &sim::APPKIT_HANDLE;
}

void* symbol(void* handle, const char* name) {
  sim::Call call("dlsym");
  if (call.fails()) return nullptr;
  if (handle != &sim::CARBON_HANDLE || !name) return nullptr;
  bool missing = sim::with_desktop([&](const sim::Desktop& d) {
    return !d.carbon || d.carbon_missing.count(name) > 0;
  });
  return missing ? nullptr : sim::carbon_symbol(name);
}

}  // namespace dl
