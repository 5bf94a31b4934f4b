// Libraries opened at run time (dyld). Handles are never closed, so the
// symbols looked up in them stay valid for the life of the process.
#include "platform/library.h"

#include <dlfcn.h>

namespace dl {

void* open(const char* path, int mode) {
  if (!path) return nullptr;
  return dlopen(path, (mode & kLazy) ? RTLD_LAZY : RTLD_NOW);
}

void* symbol(void* handle, const char* name) {
  if (!handle || !name) return nullptr;
  return dlsym(handle, name);
}

}  // namespace dl
