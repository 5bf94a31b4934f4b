#include "macos/pasteboard.h"

#include <cstdint>
#include <string_view>

#include "platform/library.h"
#include "platform/objc.h"

namespace frontmost::platform {

namespace {

constexpr std::string_view kTransient = "org.nspasteboard.TransientType";
constexpr std::string_view kConcealed = "org.nspasteboard.ConcealedType";

struct Selectors {
  objc::Sel general_pasteboard = objc::register_name("generalPasteboard");
  objc::Sel types = objc::register_name("types");
  objc::Sel count = objc::register_name("count");
  objc::Sel object_at_index = objc::register_name("objectAtIndex:");
  objc::Sel utf8_string = objc::register_name("UTF8String");
};

// Registered on first use, from whichever thread comes first.
const Selectors& selectors() {
  static const Selectors SELECTORS;
  return SELECTORS;
}

// Keeps an object alive while it is used, past the pool that holds it.
class Retained {
 public:
  explicit Retained(objc::Id object)
      : object_(object ? objc::retain(object) : nullptr) {}
  ~Retained() {
    if (object_) objc::release(object_);
  }
  Retained(const Retained&) = delete;
  Retained& operator=(const Retained&) = delete;
  objc::Id get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  objc::Id object_;
};

bool offers_marker_type(objc::Id pasteboard_class, const Selectors& sel) {
  Retained pasteboard(objc::send(pasteboard_class, sel.general_pasteboard));
  if (!pasteboard) return false;
  Retained types(objc::send(pasteboard.get(), sel.types));
  if (!types) return false;
  uint64_t count = objc::send_uint(types.get(), sel.count);
  for (uint64_t i = 0; i < count; ++i) {
    Retained type(objc::send_index(types.get(), sel.object_at_index, i));
    if (!type) continue;
    const char* utf8 = objc::send_utf8(type.get(), sel.utf8_string);
    if (!utf8) continue;
    std::string_view name(utf8);
    if (name == kTransient || name == kConcealed) return true;
  }
  return false;
}

}  // namespace

bool pasteboard_sensitive() {
  // Loading AppKit is what makes the class known; whether it loaded is
  // decided by the class lookup.
  dl::open(appkit::kPath, dl::kLazy);
  objc::Id pasteboard_class = objc::get_class("NSPasteboard");
  if (!pasteboard_class) return false;
  const Selectors& sel = selectors();
  void* pool = objc::autorelease_pool_push();
  bool sensitive = offers_marker_type(pasteboard_class, sel);
  objc::autorelease_pool_pop(pool);
  return sensitive;
}

}  // namespace frontmost::platform
