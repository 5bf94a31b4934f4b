#include "macos_screen/app.h"

#include <string_view>

#include "platform/library.h"
#include "unicode/utf8.h"

namespace frontmost::platform::screen {

namespace {

constexpr std::string_view kCategoryPrefix = "public.app-category.";

struct CachedApp {
  int32_t pid = 0;
  Instant stored_at{};
  App app;
};

// LAST_APP: per-thread; in practice the command thread's.
thread_local std::optional<CachedApp> LAST_APP;

objc::Sel sel(const char* name) { return objc::register_name(name); }

// The bundle's category entry, when it is an NSString.
std::optional<std::string> category(objc::Id url) {
  objc::Id bundles = objc::get_class("NSBundle");
  objc::Id strings = objc::get_class("NSString");
  if (!bundles || !strings) return std::nullopt;
  objc::Id bundle = objc::send_id(bundles, sel("bundleWithURL:"), url);
  objc::Id key = objc::send_cstring(strings, sel("stringWithUTF8String:"),
                                    "LSApplicationCategoryType");
  if (!bundle || !key) return std::nullopt;
  objc::Id value = objc::send_id(bundle, sel("objectForInfoDictionaryKey:"), key);
  if (!value || !objc::send_bool_id(value, sel("isKindOfClass:"), strings)) {
    return std::nullopt;
  }
  std::optional<std::string> text = string(value);
  if (text && text->starts_with(kCategoryPrefix)) {
    text->erase(0, kCategoryPrefix.size());
  }
  return text;
}

std::optional<App> look_up(int32_t pid) {
  dl::open(appkit::kPath, dl::kLazy);  // loads the classes; never closed
  objc::Id apps = objc::get_class("NSRunningApplication");
  if (!apps) return std::nullopt;
  objc::Id running = objc::send_int(
      apps, sel("runningApplicationWithProcessIdentifier:"), pid);
  if (!running) return std::nullopt;
  App found;
  objc::Id url = objc::send(running, sel("bundleURL"));
  found.bundle_id = string(objc::send(running, sel("bundleIdentifier")));
  found.name = string(objc::send(running, sel("localizedName")));
  if (url) found.category = category(url);
  return found;
}

}  // namespace

std::optional<std::string> string(objc::Id object) {
  if (!object) return std::nullopt;
  const char* bytes = objc::send_utf8(object, sel("UTF8String"));
  if (!bytes) return std::nullopt;
  return unicode::replace_invalid_utf8(bytes);
}

std::optional<App> running_app(int32_t pid) {
  void* pool = objc::autorelease_pool_push();
  std::optional<App> found = look_up(pid);
  objc::autorelease_pool_pop(pool);
  return found;
}

std::optional<App> app(const Reader& reader, int32_t pid) {
  if (LAST_APP && LAST_APP->pid == pid) {
    auto age = std::chrono::duration_cast<std::chrono::seconds>(
        reader.now() - LAST_APP->stored_at);
    if (age.count() < kAppCacheSeconds) return LAST_APP->app;
  }
  std::optional<App> found = running_app(pid);
  if (found) LAST_APP = CachedApp{pid, reader.now(), *found};
  return found;
}

}  // namespace frontmost::platform::screen
